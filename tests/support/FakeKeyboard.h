#pragma once
// A keyboard state set by the test: what the prompts' notes show, and a count
// of the layout switches asked for.

#include "platform/KeyboardState.h"

namespace testing_support {

class FakeKeyboardState : public platform::KeyboardState {
public:
    std::optional<platform::KeyboardLayout> layout;
    int switchesAsked = 0;

    std::optional<platform::KeyboardLayout> Current() override { return layout; }
    void SelectNextLayout() override { ++switchesAsked; }
    // As the server's event would: the new state, then the signal.
    void Change(std::optional<platform::KeyboardLayout> now)
    {
        layout = std::move(now);
        Q_EMIT Changed();
    }
};

} // namespace testing_support
