#include "support/Recorders.h"
#include "support/FakeHttp.h"

#include <memory>

namespace testing_support {

platform::MsgResult RecordingDialogs::MessageBox(QWidget *, const QString &text, const QString &title,
                                                 platform::MsgButtons buttons, platform::MsgIcon icon)
{
    boxes.push_back({text, title, buttons, icon});
    events << "box:" + text;
    if (answers.empty())
        return platform::MsgResult::OK;
    const platform::MsgResult answer = answers.front();
    answers.pop_front();
    return answer;
}

namespace {
std::unique_ptr<Recorders> g_recorders;
}

Recorders &recorders()
{
    if (!g_recorders)
        ResetRecorders();
    return *g_recorders;
}

void ResetRecorders()
{
    g_recorders = std::make_unique<Recorders>();
    ResetFakeHttp(); // installs RecorderServices()
}

platform::Services RecorderServices()
{
    Recorders &r = recorders();
    return {.shell = &r.shell,
            .dialogs = &r.dialogs,
            .launcher = &r.launcher,
            .session = &r.session,
            .printers = nullptr,
            .http = &fakeHttp(),
            .supervision = &r.supervision};
}

} // namespace testing_support
