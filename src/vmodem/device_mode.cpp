#include "device_mode.h"

namespace gsmprog::vmodem {

namespace {
std::vector<ModeSpec>& Registry() {
    static std::vector<ModeSpec> modes;
    return modes;
}
}  // namespace

ModeRegistrar::ModeRegistrar(ModeSpec spec) { Registry().push_back(std::move(spec)); }

const std::vector<ModeSpec>& RegisteredModes() { return Registry(); }

}  // namespace gsmprog::vmodem
