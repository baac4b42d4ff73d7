#pragma once
// Routing of command ids along the chain view → document → frame →
// application: the first link that knows an id handles it. The menu asks the
// same chain for each item's state before it opens; an id nobody knows is
// disabled, so a command whose handler has not been written cannot run.

#include <cstdint>
#include <vector>

namespace korvance {

struct CommandState {
    bool enabled = true;
    bool checked = false;
};

class CommandTarget {
public:
    virtual ~CommandTarget() = default;
    // True when this link handles `id` (it may still disable it).
    virtual bool handles(uint16_t id) const = 0;
    // Runs the command; called only for handled, enabled ids.
    virtual void onCommand(uint16_t id) = 0;
    // Enables, disables or checks the item; the default leaves it enabled.
    virtual void onUpdate(uint16_t id, CommandState& state) {
        (void)id;
        (void)state;
    }
};

class CommandRouter {
public:
    // Links in routing order (view first). Null links are skipped.
    explicit CommandRouter(std::vector<CommandTarget*> chain) : chain_(std::move(chain)) {}

    CommandTarget* targetOf(uint16_t id) const;
    CommandState stateOf(uint16_t id) const;
    // Runs `id` when a link handles it and it is enabled; false otherwise.
    bool dispatch(uint16_t id);

private:
    std::vector<CommandTarget*> chain_;
};

}  // namespace korvance
