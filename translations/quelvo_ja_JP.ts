<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja_JP" sourcelanguage="en">
<context>
    <name>AnalysisWin</name>
    <message>
        <source>0.5 %</source>
        <translation>0.5 %</translation>
    </message>
    <message>
        <source>99.5 %</source>
        <translation>99.5 %</translation>
    </message>
    <message>
        <source>Analysis</source>
        <translation>解析</translation>
    </message>
    <message>
        <source>Auto</source>
        <translation>自動</translation>
    </message>
    <message>
        <source>Column %1</source>
        <translation>列 %1</translation>
    </message>
    <message>
        <source>Export TIFF</source>
        <translation>TIFF書出し</translation>
    </message>
    <message>
        <source>Float TIFF (*.tif *.tiff)</source>
        <translation>浮動小数点TIFF (*.tif *.tiff)</translation>
    </message>
    <message>
        <source>Full</source>
        <translation>全域</translation>
    </message>
    <message>
        <source>Histogram of the valid values</source>
        <translation>有効値のヒストグラム</translation>
    </message>
    <message>
        <source>Infinite</source>
        <translation>無限大</translation>
    </message>
    <message>
        <source>Invalid</source>
        <translation>無効</translation>
    </message>
    <message>
        <source>Log count</source>
        <translation>対数度数</translation>
    </message>
    <message>
        <source>Lower</source>
        <translation>下限</translation>
    </message>
    <message>
        <source>Max</source>
        <translation>最大</translation>
    </message>
    <message>
        <source>Mean</source>
        <translation>平均</translation>
    </message>
    <message>
        <source>Median</source>
        <translation>中央値</translation>
    </message>
    <message>
        <source>Min</source>
        <translation>最小</translation>
    </message>
    <message>
        <source>NaN</source>
        <translation>NaN</translation>
    </message>
    <message>
        <source>PNG image (*.png)</source>
        <translation>PNG画像 (*.png)</translation>
    </message>
    <message>
        <source>Region</source>
        <translation>領域</translation>
    </message>
    <message>
        <source>Reset</source>
        <translation>リセット</translation>
    </message>
    <message>
        <source>Row %1</source>
        <translation>行 %1</translation>
    </message>
    <message>
        <source>Save view as PNG</source>
        <translation>表示をPNG保存</translation>
    </message>
    <message>
        <source>Std. dev.</source>
        <translation>標準偏差</translation>
    </message>
    <message>
        <source>Sum</source>
        <translation>合計</translation>
    </message>
    <message>
        <source>Upper</source>
        <translation>上限</translation>
    </message>
    <message>
        <source>Valid</source>
        <translation>有効</translation>
    </message>
    <message>
        <source>Whole</source>
        <translation>全体</translation>
    </message>
    <message>
        <source>with colour bar</source>
        <translation>カラーバー付き</translation>
    </message>
</context>
<context>
    <name>Body</name>
    <message>
        <source>Analysis</source>
        <translation>解析</translation>
    </message>
    <message>
        <source>Calc</source>
        <translation>演算(Cl)</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>複製(Cp)</translation>
    </message>
    <message>
        <source>Filter</source>
        <translation>フィルタ</translation>
    </message>
    <message>
        <source>Load</source>
        <translation>読込</translation>
    </message>
    <message>
        <source>Quelvo</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save</source>
        <translation>保存</translation>
    </message>
</context>
<context>
    <name>CalcCtrl</name>
    <message>
        <source>%1
Log %2, Neg. %3</source>
        <translation>%1
Log %2、負 %3</translation>
    </message>
    <message>
        <source>%1, region %2</source>
        <translation>%1、領域 %2</translation>
    </message>
    <message>
        <source>Calc. Ctrl</source>
        <translation>演算設定</translation>
    </message>
    <message>
        <source>Cl[%1]</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Denominator(s)</source>
        <translation>分母</translation>
    </message>
    <message>
        <source>Gen</source>
        <translation>結果生成</translation>
    </message>
    <message>
        <source>Gen takes %1 over %2; result %3 × %4</source>
        <translation>Gen の入力: 分子 %1、分母 %2、結果 %3 × %4</translation>
    </message>
    <message>
        <source>Gen takes nothing yet: mark numerators with A and denominators with B.</source>
        <translation>Gen の入力はまだありません: 分子を A、分母を B で選んでください。</translation>
    </message>
    <message>
        <source>Log</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Neg.</source>
        <translation>負</translation>
    </message>
    <message>
        <source>Numerator(s)</source>
        <translation>分子</translation>
    </message>
    <message>
        <source>Sel. by A</source>
        <translation>選択(A)</translation>
    </message>
    <message>
        <source>Sel. by B</source>
        <translation>選択(B)</translation>
    </message>
    <message>
        <source>none</source>
        <translation>なし</translation>
    </message>
    <message>
        <source>off</source>
        <translation>オフ</translation>
    </message>
    <message>
        <source>on</source>
        <translation>オン</translation>
    </message>
</context>
<context>
    <name>CopyCtrl</name>
    <message>
        <source>%1
Resize %2</source>
        <translation>%1
リサイズ %2</translation>
    </message>
    <message>
        <source>%1
Save order %2, %3, %4</source>
        <translation>%1
並び順 %2、%3、%4</translation>
    </message>
    <message>
        <source>%1: Cp(%2,%3)-(%4,%5)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1:CpAPk[%2(%3,%4)]</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Around Peaks of S1 (Region in S2)</source>
        <translation>S1ピーク周辺(S2から)</translation>
    </message>
    <message>
        <source>B-&gt;T</source>
        <translation>下=&gt;上</translation>
    </message>
    <message>
        <source>Both(H First)</source>
        <translation>両方(水平優先)</translation>
    </message>
    <message>
        <source>Both(V First)</source>
        <translation>両方(垂直優先)</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Copy Control</source>
        <translation>複製設定</translation>
    </message>
    <message>
        <source>Copy takes nothing yet: select S1 (with peaks) and S2.</source>
        <translation>コピーの入力はまだありません: S1 (ピーク付き) と S2 を選んでください。</translation>
    </message>
    <message>
        <source>Copy takes nothing yet: select a dataset as S1.</source>
        <translation>コピーの入力はまだありません: S1 でデータを選んでください。</translation>
    </message>
    <message>
        <source>Copy takes nothing: draw a region on S1 %1.</source>
        <translation>コピーの入力がありません: S1 %1 に領域を描いてください。</translation>
    </message>
    <message>
        <source>Copy takes region %1 of S1 %2; result %3 × %4</source>
        <translation>コピーの入力: S1 %2 の領域 %1、結果 %3 × %4</translation>
    </message>
    <message>
        <source>Copy takes region %1 of S2 %2 around the %3 peaks of S1 %4; %5</source>
        <translation>コピーの入力: S2 %2 の領域 %1 を S1 %4 の %3 個のピークの周りに、%5</translation>
    </message>
    <message>
        <source>H</source>
        <translation>水平</translation>
    </message>
    <message>
        <source>L-&gt;R</source>
        <translation>左=&gt;右</translation>
    </message>
    <message>
        <source>R-&gt;L</source>
        <translation>右=&gt;左</translation>
    </message>
    <message>
        <source>Reference Peak</source>
        <translation>参照ピーク番号</translation>
    </message>
    <message>
        <source>Resize</source>
        <translation>画像サイズを選択領域サイズに合わせる</translation>
    </message>
    <message>
        <source>Save Order</source>
        <translation>並び順選択</translation>
    </message>
    <message>
        <source>Simple Copy (from Selected Region of S1)</source>
        <translation>単純コピー(S1で選択した画像内の領域から)</translation>
    </message>
    <message>
        <source>T-&gt;B</source>
        <translation>上=&gt;下</translation>
    </message>
    <message>
        <source>V</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>off</source>
        <translation>オフ</translation>
    </message>
    <message>
        <source>on</source>
        <translation>オン</translation>
    </message>
    <message>
        <source>reference peak %1 at (%2, %3)</source>
        <translation>基準ピーク %1 (%2, %3)</translation>
    </message>
    <message>
        <source>reference peak %1 does not exist</source>
        <translation>基準ピーク %1 はありません</translation>
    </message>
</context>
<context>
    <name>DataCtrl</name>
    <message>
        <source>0</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>B</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Del</source>
        <translation>削除</translation>
    </message>
    <message>
        <source>Frame</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>S1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>S2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Show</source>
        <translation>表示</translation>
    </message>
</context>
<context>
    <name>FilterCtrl</name>
    <message>
        <source>%1
Filters: %2</source>
        <translation>%1
フィルタ: %2</translation>
    </message>
    <message>
        <source>10</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>100</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Adaptive Threshold</source>
        <translation>適応2値化(AT)</translation>
    </message>
    <message>
        <source>Addaptive Threshold (%1, %2)</source>
        <translation>適応2値化 (%1, %2)</translation>
    </message>
    <message>
        <source>Apply</source>
        <translation>適用</translation>
    </message>
    <message>
        <source>ArcCosTh</source>
        <translation>arc-cosθ</translation>
    </message>
    <message>
        <source>CosTh</source>
        <translation>cosθ</translation>
    </message>
    <message>
        <source>Del.</source>
        <translation>削除</translation>
    </message>
    <message>
        <source>Exc. Raius</source>
        <translation>排除半径</translation>
    </message>
    <message>
        <source>Exec1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Exec2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Filter</source>
        <translation>フィルタ設定</translation>
    </message>
    <message>
        <source>Find %1 Peaks (%2:%3)</source>
        <translation>ピーク(%1)探索 (%2: %3)</translation>
    </message>
    <message>
        <source>Find Peaks</source>
        <translation>ピーク探索(P+/-)</translation>
    </message>
    <message>
        <source>Match</source>
        <translation>パタンマッチ</translation>
    </message>
    <message>
        <source>Matching</source>
        <translation>パタンマッチ(PM)</translation>
    </message>
    <message>
        <source>Matching cannot run: S1 has no region for a template.</source>
        <translation>パタンマッチ不可: S1 にテンプレートとなる領域がありません。</translation>
    </message>
    <message>
        <source>Matching cannot run: choose Exec1 or Exec2.</source>
        <translation>パタンマッチ不可: Exec1 か Exec2 を選んでください。</translation>
    </message>
    <message>
        <source>Matching template %1, %2 × %3.</source>
        <translation>パタンマッチのテンプレート %1、%2 × %3。</translation>
    </message>
    <message>
        <source>Max</source>
        <translation>最大</translation>
    </message>
    <message>
        <source>Max.</source>
        <translation>最大(P+)</translation>
    </message>
    <message>
        <source>Min</source>
        <translation>最小(P-)</translation>
    </message>
    <message>
        <source>Moving Avr.</source>
        <translation>移動平均(MA)</translation>
    </message>
    <message>
        <source>Moving Avr. (%1, %2)</source>
        <translation>移動平均 (%1, %2)</translation>
    </message>
    <message>
        <source>Num:</source>
        <translation>探索個数</translation>
    </message>
    <message>
        <source>Reg</source>
        <translation>登録</translation>
    </message>
    <message>
        <source>Runs take S1 I[%1] %2 in %3. %4</source>
        <translation>実行の入力: S1 I[%1] %2、範囲 %3。%4</translation>
    </message>
    <message>
        <source>Runs take nothing yet: select a dataset as S1.</source>
        <translation>実行の入力はまだありません: S1 でデータを選んでください。</translation>
    </message>
    <message>
        <source>[pix]</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>kept region 1 of %1: %2</source>
        <translation>保存領域 %1 個の 1 番目: %2</translation>
    </message>
    <message>
        <source>whole grid %1 × %2</source>
        <translation>全体 %1 × %2</translation>
    </message>
</context>
<context>
    <name>FindPeaksF</name>
    <message>
        <source>%1: PKs(%2)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Peaks(%1)</source>
        <translation>ピーク探索(%1)</translation>
    </message>
</context>
<context>
    <name>ImgDisp</name>
    <message>
        <source>Del</source>
        <translation>削除</translation>
    </message>
    <message>
        <source>Frame</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Grey</source>
        <translation>グレイスケール</translation>
    </message>
    <message>
        <source>Set</source>
        <translation>設定</translation>
    </message>
</context>
<context>
    <name>MatchingF</name>
    <message>
        <source>%1: PM</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MovingAvrF</name>
    <message>
        <source>%1: MA(%2,%3)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>RunBar</name>
    <message>
        <source>%v / %m rows</source>
        <translation>%v / %m 行</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>中止</translation>
    </message>
</context>
<context>
    <name>WinSizeSet</name>
    <message>
        <source>12</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Frame</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pix</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Window Half Width</source>
        <translation>ウインドウ半幅</translation>
    </message>
    <message>
        <source>X:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Y:</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
