// The kma840 setup codec on arbitrary replies and entries.
#include "setup/kma840model.h"
#include "setupcodecfuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput input(data, size);
    setupfuzz::checkSetupCodec(kma840::Spec, input);
    return 0;
}
