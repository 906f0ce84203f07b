#include "core/program_state.h"

namespace core {

ProgramState& programState() {
    static ProgramState state;
    return state;
}

}  // namespace core
