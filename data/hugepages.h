#pragma once

#include <cstddef>

// Frames and pictures are streamed through whole, and with the usual 4 KiB pages a part of every
// pass goes to translating addresses. Where the system gives huge pages to memory that asks for
// them (Linux's transparent huge pages, in the "madvise" mode many distributions set), this asks
// for them for the whole 2 MiB pages inside a block, so that its neighbours in the heap stay as
// they are; elsewhere, or when the system declines, nothing changes.
namespace HugePages {

void advise(void *block, size_t bytes);

} // namespace HugePages
