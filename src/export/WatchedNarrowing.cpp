#include "export/WatchedNarrowing.h"

#include "export/AsciiText.h"
#include "export/LineByteWatch.h"

namespace velloxa {

#if defined(__GNUC__) && defined(__x86_64__) && defined(__ELF__)
__attribute__((target_clones("avx2", "default"), flatten))
#endif
bool
NarrowAsciiWatched(const char16_t* units, qsizetype count, char* target, LineByteWatch& watch)
{
    return NarrowAscii(units, count, target, watch);
}

} // namespace velloxa
