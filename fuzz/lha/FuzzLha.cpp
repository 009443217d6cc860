// libFuzzer target: arbitrary bytes through the LHA extraction.
#include "fuzz/lha/LhaFuzzEntry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    corvina_fuzz::ExtractLhaBytes(data, size);
    return 0;
}
