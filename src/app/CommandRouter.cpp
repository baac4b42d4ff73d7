#include "app/CommandRouter.h"

namespace korvance {

CommandTarget* CommandRouter::targetOf(uint16_t id) const {
    for (CommandTarget* link : chain_)
        if (link && link->handles(id)) return link;
    return nullptr;
}

CommandState CommandRouter::stateOf(uint16_t id) const {
    CommandState state;
    CommandTarget* target = targetOf(id);
    if (!target) {
        state.enabled = false;
        return state;
    }
    target->onUpdate(id, state);
    return state;
}

bool CommandRouter::dispatch(uint16_t id) {
    CommandTarget* target = targetOf(id);
    if (!target) return false;
    CommandState state;
    target->onUpdate(id, state);
    if (!state.enabled) return false;
    target->onCommand(id);
    return true;
}

}  // namespace korvance
