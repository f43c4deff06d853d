// The rx900 setup codec on arbitrary replies and entries.
#include "setup/rx900model.h"
#include "setupcodecfuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput input(data, size);
    setupfuzz::checkSetupCodec(rx900::Spec, input);
    return 0;
}
