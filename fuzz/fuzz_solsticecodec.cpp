// The solstice setup codec on arbitrary replies and entries.
#include "setup/solsticemodel.h"
#include "setupcodecfuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput input(data, size);
    setupfuzz::checkSetupCodec(solstice::Spec, input);
    return 0;
}
