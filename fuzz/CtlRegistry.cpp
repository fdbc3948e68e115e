// corvanectl keeps its command table in its main(); the harnesses call describe directly, so its
// registration has nowhere to go.
#include "ctl/Commands.h"

namespace corvane::ctl {

CommandRegistrar::CommandRegistrar(const Command&) {}

} // namespace corvane::ctl
