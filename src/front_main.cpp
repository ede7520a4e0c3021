// Gardlock 2001: the `gardlock` executable, the front. No Qt here: it holds
// the display for a lock before the program (gardlock-ui) starts, and
// supervises that program.

#include "front/Front.h"
#include "platform/x11/plain/X11RootCover.h"

int main(int argc, char **argv)
{
    const std::unique_ptr<platform::LockCover> cover = platform::x11::CreateRootCover();
    return front::Main(argc, argv, *cover);
}
