<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja_JP" sourcelanguage="en">
<context>
    <name>AnalysisWin</name>
    <message>
        <source>no dataset is shown</source>
        <translation>表示中のデータセットがありません</translation>
    </message>
    <message>
        <source>the picture is too large</source>
        <translation>画像が大きすぎます</translation>
    </message>
    <message>
        <source>the picture could not be encoded</source>
        <translation>画像を符号化できませんでした</translation>
    </message>
    <message>
        <source>writing failed</source>
        <translation>書き込みに失敗しました</translation>
    </message>
    <message>
        <source>could not export %1: %2</source>
        <translation>%1 を書き出せませんでした: %2</translation>
    </message>
    <message>
        <source>export of %1 cancelled; nothing was written</source>
        <translation>%1 の書き出しを取り消しました。何も書き込まれていません</translation>
    </message>
    <message>
        <source>exported %1</source>
        <translation>%1 を書き出しました</translation>
    </message>
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
        <source>Column</source>
        <translation>列</translation>
    </message>
    <message>
        <source>Column (the crosshair is not on this frame)</source>
        <translation>列（十字線がこの画像の上にありません）</translation>
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
        <source>Row</source>
        <translation>行</translation>
    </message>
    <message>
        <source>Row (the crosshair is not on this frame)</source>
        <translation>行（十字線がこの画像の上にありません）</translation>
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
    <message>
        <source>not enough memory</source>
        <translation>メモリが足りません</translation>
    </message>
</context>
<context>
    <name>Body</name>
    <message>
        <source>%1 notices, the latest: %2</source>
        <translation>お知らせ %1 件、最新: %2</translation>
    </message>
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
    <message>
        <source>Load data files (Ctrl+O); files can also be dropped on this window</source>
        <translation>データファイルを読み込む (Ctrl+O)。このウィンドウへのドロップでも読み込めます</translation>
    </message>
    <message>
        <source>New image windows start in grey instead of colour</source>
        <translation>新しい画像ウィンドウをカラーでなくグレーで始める</translation>
    </message>
    <message>
        <source>Show image windows as tabs of one window</source>
        <translation>画像ウィンドウを一つのウィンドウのタブとして表示する</translation>
    </message>
    <message>
        <source>Save datasets as 2dData files (Ctrl+S)</source>
        <translation>データセットを2dDataファイルとして保存する (Ctrl+S)</translation>
    </message>
    <message>
        <source>Save saves the dataset marked S1</source>
        <translation>保存はS1のデータセットを保存します</translation>
    </message>
    <message>
        <source>Save saves every dataset marked A, one file each</source>
        <translation>保存はAの付いた全データセットを1つずつ別ファイルに保存します</translation>
    </message>
    <message>
        <source>Histogram, profile and statistics of the S1 dataset</source>
        <translation>S1のデータセットのヒストグラム・プロファイル・統計</translation>
    </message>
    <message>
        <source>Show the ratio panel</source>
        <translation>比の計算パネルを表示する</translation>
    </message>
    <message>
        <source>Show the filter panel</source>
        <translation>フィルタパネルを表示する</translation>
    </message>
    <message>
        <source>Show the copy panel</source>
        <translation>コピーパネルを表示する</translation>
    </message>
    <message>
        <source>The latest notice; click for the last 100</source>
        <translation>最新のお知らせ。クリックで直近100件を表示</translation>
    </message>
    <message>
        <source>Notices</source>
        <translation>お知らせ</translation>
    </message>
    <message>
        <source>Save: no dataset is marked S1</source>
        <translation>保存: S1のデータセットがありません</translation>
    </message>
    <message>
        <source>Save: no dataset is marked A</source>
        <translation>保存: Aの付いたデータセットがありません</translation>
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
        <translation>結果生成の入力: 分子 %1、分母 %2、結果 %3 × %4</translation>
    </message>
    <message>
        <source>Gen takes nothing yet: mark numerators with A and denominators with B.</source>
        <translation>結果生成の入力はまだありません: 分子を A、分母を B で選んでください。</translation>
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
    <message>
        <source>Datasets marked A, added up</source>
        <translation>Aの付いたデータセットの和</translation>
    </message>
    <message>
        <source>Datasets marked B, added up</source>
        <translation>Bの付いたデータセットの和</translation>
    </message>
    <message>
        <source>Negate the result</source>
        <translation>結果の符号を反転する</translation>
    </message>
    <message>
        <source>Natural logarithm of the ratio; values up to 0 become invalid</source>
        <translation>比の自然対数。0以下の値は無効になります</translation>
    </message>
    <message>
        <source>Generate the ratio of the A datasets to the B datasets</source>
        <translation>AのデータセットとBのデータセットの比を作る</translation>
    </message>
    <message>
        <source>Calc: no dataset is marked A or B</source>
        <translation>演算: AまたはBの付いたデータセットがありません</translation>
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
    <message>
        <source>Make the copy as large as the region, not as the image</source>
        <translation>コピーを画像ではなく領域の大きさにする</translation>
    </message>
    <message>
        <source>Number of the peak of S1 that the region of S2 surrounds</source>
        <translation>S2の領域が囲むS1のピークの番号</translation>
    </message>
    <message>
        <source>New datasets in rows of peaks</source>
        <translation>新しいデータセットをピークの行ごとに並べる</translation>
    </message>
    <message>
        <source>New datasets in columns of peaks</source>
        <translation>新しいデータセットをピークの列ごとに並べる</translation>
    </message>
    <message>
        <source>Left to right</source>
        <translation>左から右へ</translation>
    </message>
    <message>
        <source>Right to left</source>
        <translation>右から左へ</translation>
    </message>
    <message>
        <source>Top to bottom</source>
        <translation>上から下へ</translation>
    </message>
    <message>
        <source>Bottom to top</source>
        <translation>下から上へ</translation>
    </message>
    <message>
        <source>Run the chosen copy</source>
        <translation>選んだコピーを実行する</translation>
    </message>
    <message>
        <source>Copy: no dataset is marked S1</source>
        <translation>コピー: S1のデータセットがありません</translation>
    </message>
    <message>
        <source>Copy: S1 has no region</source>
        <translation>コピー: S1に領域がありません</translation>
    </message>
    <message>
        <source>Copy: no dataset is marked S2</source>
        <translation>コピー: S2のデータセットがありません</translation>
    </message>
    <message>
        <source>Copy: the copy does not fit in memory; nothing was added</source>
        <translation>コピー: メモリが足りずコピーを作れません。何も追加していません</translation>
    </message>
    <message>
        <source>Copy: a tile does not fit in memory and was left out</source>
        <translation>コピー: メモリが足りず切り出し画像を一つ作れませんでした。それは除いています</translation>
    </message>
    <message>
        <source>Copy: the region of S2 is larger than a dataset can hold</source>
        <translation>コピー: S2の領域がデータセットに収まる大きさを超えています</translation>
    </message>
    <message>
        <source>Copy: S1 has no such reference peak, or S2 no region</source>
        <translation>コピー: S1にその基準ピークがないか、S2に領域がありません</translation>
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
    <message>
        <source>Number of the dataset</source>
        <translation>データセットの番号</translation>
    </message>
    <message>
        <source>S1: the one dataset that Save, Copy, Filter and Analysis work on</source>
        <translation>S1: 保存・コピー・フィルタ・解析の対象となるデータセット</translation>
    </message>
    <message>
        <source>S2: the second dataset, whose region Copy Around Peaks copies</source>
        <translation>S2: ピーク周りのコピーで領域をコピーされる2つ目のデータセット</translation>
    </message>
    <message>
        <source>A: numerator of Calc; saved by Save Selected(A)</source>
        <translation>A: 計算の分子。選択保存(A)で保存されます</translation>
    </message>
    <message>
        <source>B: denominator of Calc</source>
        <translation>B: 計算の分母</translation>
    </message>
    <message>
        <source>Name of the dataset</source>
        <translation>データセットの名前</translation>
    </message>
    <message>
        <source>Show or hide the image window</source>
        <translation>画像ウィンドウの表示・非表示</translation>
    </message>
    <message>
        <source>Delete the dataset and its image window</source>
        <translation>データセットとその画像ウィンドウを削除する</translation>
    </message>
</context>
<context>
    <name>FileWork</name>
    <message>
        <source>could not read %1: %2</source>
        <translation>%1 を読み込めませんでした: %2</translation>
    </message>
    <message>
        <source>could not read page %1 of %2: %3</source>
        <translation>%2 の %1 ページ目を読み込めませんでした: %3</translation>
    </message>
    <message>
        <source>not enough memory for %1 x %2 pixels</source>
        <translation>%1 x %2 ピクセル分のメモリが足りません</translation>
    </message>
    <message>
        <source>%1 has %2 pages; only the first %3 are read</source>
        <translation>%1 は %2 ページあります。最初の %3 ページだけを読み込みます</translation>
    </message>
    <message>
        <source>saved %1</source>
        <translation>%1 を保存しました</translation>
    </message>
    <message>
        <source>could not save %1: %2</source>
        <translation>%1 を保存できませんでした: %2</translation>
    </message>
    <message>
        <source>saved 1 file in %1</source>
        <translation>%1 に1ファイルを保存しました</translation>
    </message>
    <message numerus="yes">
        <source>saved %n files in %1</source>
        <translation>
            <numerusform>%1 に%nファイルを保存しました</numerusform>
        </translation>
    </message>
    <message>
        <source>loading cancelled at %1</source>
        <translation>%1 の読み込みを中止しました</translation>
    </message>
    <message>
        <source>loading cancelled at %1; files left unread: %2</source>
        <translation>%1 の読み込みを中止しました。読み込まなかったファイル: %2 個</translation>
    </message>
    <message>
        <source>saving cancelled; files left unsaved: %1</source>
        <translation>保存を中止しました。保存しなかったファイル: %1 個</translation>
    </message>
    <message>
        <source>%v / %m files</source>
        <translation>%v / %m ファイル</translation>
    </message>
    <message>
        <source>Rows read of the file being loaded</source>
        <translation>読み込み中のファイルの読んだ行数</translation>
    </message>
    <message>
        <source>%v / %m pages</source>
        <translation>%v / %m ページ</translation>
    </message>
    <message>
        <source>Pages read of the stack being loaded</source>
        <translation>読み込み中のスタックの読んだページ数</translation>
    </message>
    <message>
        <source>Files written of the save</source>
        <translation>保存で書いたファイル数</translation>
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
        <source>Runs take S1 %1 in %2. %3</source>
        <translation>実行の入力: S1 %1、範囲 %2。%3</translation>
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
    <message>
        <source>Registered filters, applied in this order</source>
        <translation>登録済みのフィルタ。この順に適用されます</translation>
    </message>
    <message>
        <source>Delete the chosen registered filter</source>
        <translation>選んだ登録済みフィルタを削除する</translation>
    </message>
    <message>
        <source>Apply every registered filter in turn to S1</source>
        <translation>登録済みの全フィルタを順にS1へ適用する</translation>
    </message>
    <message>
        <source>Adaptive threshold of S1 over the window</source>
        <translation>窓内でのS1の適応しきい値</translation>
    </message>
    <message>
        <source>Reg: add this filter to the list for Apply</source>
        <translation>登録: このフィルタを適用用の一覧に加える</translation>
    </message>
    <message>
        <source>Moving average of S1 over the window</source>
        <translation>窓内でのS1の移動平均</translation>
    </message>
    <message>
        <source>Match the region of S1 as a template over S1</source>
        <translation>S1の領域をテンプレートとしてS1全体と照合する</translation>
    </message>
    <message>
        <source>Similarity as the cosine of the angle</source>
        <translation>類似度を角度の余弦で表す</translation>
    </message>
    <message>
        <source>Similarity as the angle itself</source>
        <translation>類似度を角度そのもので表す</translation>
    </message>
    <message>
        <source>Exec1: match reading the template straight from S1</source>
        <translation>Exec1: テンプレートをS1から直接読んで照合する</translation>
    </message>
    <message>
        <source>Exec2: the same match, with the template copied first</source>
        <translation>Exec2: 同じ照合を、テンプレートを先にコピーして行う</translation>
    </message>
    <message>
        <source>Find the highest or lowest peaks of S1</source>
        <translation>S1の最も高い、または低いピークを探す</translation>
    </message>
    <message>
        <source>Peaks closer than this to a stronger one are skipped</source>
        <translation>より強いピークにこれより近いピークは除かれます</translation>
    </message>
    <message>
        <source>Number of peaks to find</source>
        <translation>探すピークの数</translation>
    </message>
    <message>
        <source>Find maxima</source>
        <translation>極大を探す</translation>
    </message>
    <message>
        <source>Find minima</source>
        <translation>極小を探す</translation>
    </message>
    <message>
        <source>Filter: no filter is registered</source>
        <translation>フィルタ: 登録されたフィルタがありません</translation>
    </message>
    <message>
        <source>Matching: choose Exec1 or Exec2</source>
        <translation>パタンマッチ: Exec1かExec2を選んでください</translation>
    </message>
    <message>
        <source>Filter: no dataset is marked S1</source>
        <translation>フィルタ: S1のデータセットがありません</translation>
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
    <name>ImgData</name>
    <message numerus="yes">
        <source>claims %1 × %2 but holds %n bytes</source>
        <translation>
            <numerusform>%1 × %2 とあるのに %n バイトしかありません</numerusform>
        </translation>
    </message>
    <message>
        <source>claims %1 × %2, more than a grid can hold</source>
        <translation>%1 × %2 とあり、格子に収まりません</translation>
    </message>
    <message>
        <source>not enough memory for %1 × %2</source>
        <translation>%1 × %2 のためのメモリが足りません</translation>
    </message>
    <message>
        <source>can not be opened: %1</source>
        <translation>開けません: %1</translation>
    </message>
    <message>
        <source>not a TIFF, ZRT, CT text or 2dData file</source>
        <translation>TIFF・ZRT・CTテキスト・2dDataのいずれのファイルでもありません</translation>
    </message>
    <message>
        <source>a TIFF that can not be opened</source>
        <translation>開けないTIFFです</translation>
    </message>
    <message>
        <source>a TIFF page that can not be read</source>
        <translation>読み込めないTIFFのページです</translation>
    </message>
    <message>
        <source>a TIFF without readable size tags</source>
        <translation>大きさのタグを読めないTIFFです</translation>
    </message>
    <message numerus="yes">
        <source>a TIFF with %n samples per pixel</source>
        <translation>
            <numerusform>1画素あたり%nサンプルのTIFFです</numerusform>
        </translation>
    </message>
    <message>
        <source>a tiled TIFF</source>
        <translation>タイル形式のTIFFです</translation>
    </message>
    <message>
        <source>a TIFF with %1-bit floating-point samples</source>
        <translation>%1ビット浮動小数点サンプルのTIFFです</translation>
    </message>
    <message>
        <source>a TIFF with %1-bit samples of format %2</source>
        <translation>形式%2の%1ビットサンプルのTIFFです</translation>
    </message>
    <message>
        <source>a TIFF whose rows are shorter than its width</source>
        <translation>行が幅より短いTIFFです</translation>
    </message>
    <message>
        <source>a TIFF whose row %1 can not be read</source>
        <translation>%1行目を読めないTIFFです</translation>
    </message>
    <message>
        <source>a ZRT file without a complete header</source>
        <translation>ヘッダが欠けたZRTファイルです</translation>
    </message>
    <message>
        <source>a CT text file without a valid range</source>
        <translation>有効な範囲のないCTテキストファイルです</translation>
    </message>
    <message>
        <source>reading cancelled</source>
        <translation>読み込みを中止しました</translation>
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
    <message>
        <source>Grey scale instead of colour</source>
        <translation>カラーでなくグレースケールで表示する</translation>
    </message>
    <message>
        <source>Position and value under the mouse</source>
        <translation>マウス位置の座標と値</translation>
    </message>
    <message>
        <source>The region being drawn</source>
        <translation>描いている領域</translation>
    </message>
    <message>
        <source>Regions kept with Set; filters work in the topmost</source>
        <translation>設定で保持した領域。フィルタは一番上の領域で働きます</translation>
    </message>
    <message>
        <source>Set: keep the drawn region in the list</source>
        <translation>設定: 描いた領域を一覧に保持する</translation>
    </message>
    <message>
        <source>Delete the chosen kept region</source>
        <translation>選んだ保持領域を削除する</translation>
    </message>
    <message>
        <source>Show the whole image again</source>
        <translation>画像全体を表示し直す</translation>
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
    <message>
        <source>Rows done of the running operation</source>
        <translation>実行中の処理の済んだ行数</translation>
    </message>
    <message>
        <source>Cancel the running operation</source>
        <translation>実行中の処理を取り消す</translation>
    </message>
    <message>
        <source>Not enough memory for this run; nothing was added</source>
        <translation>メモリが足りず処理を完了できません。何も追加していません</translation>
    </message>
    <message>
        <source>unknown error</source>
        <translation>不明なエラー</translation>
    </message>
    <message>
        <source>The run failed (%1); nothing was added</source>
        <translation>処理に失敗しました (%1)。何も追加していません</translation>
    </message>
</context>
<context>
    <name>TabCloseButton</name>
    <message>
        <source>Close Tab</source>
        <translation>タブを閉じる</translation>
    </message>
</context>
<context>
    <name>TDData0</name>
    <message>
        <source>not a 2dData file</source>
        <translation>2dDataファイルではありません</translation>
    </message>
    <message>
        <source>reading cancelled</source>
        <translation>読み込みを中止しました</translation>
    </message>
    <message>
        <source>can not be opened: %1</source>
        <translation>開けません: %1</translation>
    </message>
    <message numerus="yes">
        <source>claims %1 × %2 but holds %n bytes</source>
        <translation>
            <numerusform>%1 × %2 とあるのに %n バイトしかありません</numerusform>
        </translation>
    </message>
    <message>
        <source>not enough memory for %1 × %2</source>
        <translation>%1 × %2 のためのメモリが足りません</translation>
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
    <message>
        <source>Half width of the window in pixels</source>
        <translation>窓の半幅 (画素)</translation>
    </message>
    <message>
        <source>Half height of the window in pixels</source>
        <translation>窓の半高さ (画素)</translation>
    </message>
</context>
</TS>
