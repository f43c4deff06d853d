// The vx900 setup codec on arbitrary replies and entries.
#include "setup/vx900model.h"
#include "setupcodecfuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput input(data, size);
    setupfuzz::checkSetupCodec(vx900::Spec, input);
    return 0;
}
