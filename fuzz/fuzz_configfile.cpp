// A configuration file of arbitrary bytes over an amplifier of arbitrary settings, for each model:
// what the amplifier holds, saved to a file, reads back without a difference in any number; any
// file loads, compares and gives packets of the model's lengths.
#include "fuzzinput.h"
#include "protocol/commandtable.h"
#include "protocol/framing.h"
#include "setup/configfile.h"
#include "setup/kma840model.h"
#include "setup/rx900model.h"
#include "setup/setupcodec.h"
#include "setup/solsticemodel.h"
#include "setup/vx900model.h"

#include <array>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::array<const setup::ModelSpec*, 4> specs{&kma840::Spec, &solstice::Spec, &rx900::Spec,
                                                              &vx900::Spec};
    FuzzInput input(data, size);
    const setup::ModelSpec& spec = *specs[std::size_t(input.byte()) % specs.size()];
    QList<QByteArray> replies;
    for (qsizetype i = 0; i < qsizetype(spec.reads.size()); ++i)
        replies << input.bytes(input.byte());
    const setup::Values read = setup::decode(spec, replies);

    setup::Controls controls = setup::loadedControls(spec, read);
    const auto saved = setup::parseConfigFile(setup::configFileBytes(spec, controls, read, {1, 2, "fuzz"}));
    FUZZ_CHECK(std::holds_alternative<setup::ConfigFile>(saved));
    for (const setup::Difference& d : setup::differences(spec, std::get<setup::ConfigFile>(saved), read))
        FUZZ_CHECK(spec.fields[d.field].kind == setup::Kind::Text);

    const auto file = setup::parseConfigFile(input.rest());
    if (const auto* config = std::get_if<setup::ConfigFile>(&file)) {
        (void)setup::differences(spec, *config, read);
        const setup::Restore restore = setup::restoreFrom(spec, *config, read, input.flag());
        for (qsizetype i = 0; i < restore.data.size(); ++i)
            FUZZ_CHECK(!restore.data[i] ||
                       restore.data[i]->size() ==
                           commandAt(spec.packets[i].command).length - framing::MinPacketLength);
    }
    return 0;
}
