#include "tests/support/ShowRun.h"

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

#include <X11/Xlib.h>

#include "tests/support/FirstSound.h"
#include "tests/support/TempDir.h"

namespace {
constexpr float kSilence = 1e-4f;  // the mixer writes exact zeros while nothing plays
}  // namespace

ShowRun::ShowRun(int screenW, int screenH)
    : server_(new Xvfb(screenW, screenH, false)), dir_(makeTempDir()), screenW_(screenW), screenH_(screenH)
{
    if (!copyDefaultAssets(dir_)) dir_.clear();
}

ShowRun::~ShowRun()
{
    process_.reset();  // before its X server goes
    if (!dir_.empty()) std::system(("rm -rf '" + dir_ + "'").c_str());
}

void ShowRun::start(const std::vector<std::string>& env, const std::vector<std::string>& args,
                    const std::vector<std::string>& wrapper)
{
    std::vector<std::string> all = {"DISPLAY=" + server_->display(), "SDL_AUDIODRIVER=disk",
                                    "SDL_DISKAUDIOFILE=" + path("out.raw"),
                                    "LP_NUM_THREADS=0",  // see LP_NUM_THREADS in tests/CMakeLists.txt
                                    // The user's shader cache is left alone; its writer thread also held a
                                    // loaded process's exit up for seconds.
                                    "MESA_SHADER_CACHE_DISABLE=true"};
    all.insert(all.end(), env.begin(), env.end());
    std::vector<std::string> argv = wrapper;
    argv.insert(argv.end(), {KIV_BINARY, "-geometry",
                             std::to_string(screenW_) + "x" + std::to_string(screenH_) + "+0+0"});
    argv.insert(argv.end(), args.begin(), args.end());
    // A crash seen once in a hundred runs is only found from its core: keep it (removed with the folder).
    process_.reset(new Process(argv, all, dir_, true));
}

std::string ShowRun::stderrText() const
{
    if (!process_) return "";
    std::string text = process_->stderrText();
    if (!process_->running() && process_->signalNumber() != 0) text += crashStacks();
    return text;
}

std::string ShowRun::crashStacks() const
{
    const std::string pid = std::to_string(process_->pid());
    for (const std::string& core : {path("core"), path("core." + pid)}) {
        if (!std::ifstream(core)) continue;
        return "\n--- kiv's stacks at the crash (" + core + "):\n" +
               shellOutput("command -v gdb >/dev/null && gdb -batch -nx -ex 'thread apply all bt 24' '" +
                           std::string(KIV_BINARY) + "' '" + core + "' 2>/dev/null | grep -E '^(Thread|#)'") +
               "\n";
    }
    return "\n--- kiv left no core in " + dir_ + "\n";
}

namespace {
int ignoreXError(Display*, XErrorEvent*) { return 0; }  // a window that went between two requests

// The top-level window named "kiv", or 0. Without a window manager the toolkit's window is a child of the root.
Window findShowWindow(Display* display)
{
    Window root, parent, *children = nullptr;
    unsigned count = 0;
    Window found = 0;
    if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count)) return 0;
    for (unsigned i = 0; i < count && !found; ++i) {
        char* name = nullptr;
        if (XFetchName(display, children[i], &name) && name && std::string(name) == "kiv") found = children[i];
        if (name) XFree(name);
    }
    if (children) XFree(children);
    return found;
}
}  // namespace

std::string ShowRun::window(double seconds)
{
    // Asked in-process: many runs waiting at once would otherwise start a search command every few ms.
    Display* display = XOpenDisplay(server_->display().c_str());
    if (!display) return "";
    XSetErrorHandler(ignoreXError);
    auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    Window found = 0;
    while (!found && std::chrono::steady_clock::now() < until && process_->running()) {
        found = findShowWindow(display);
        if (!found) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    XCloseDisplay(display);
    return found ? std::to_string(found) : "";
}

std::string ShowRun::x(const std::string& command) const
{
    return shellOutput("DISPLAY=" + server_->display() + " " + command);
}

int ShowRun::escape(double seconds)
{
    // A key reaches the window that has the focus: one not yet mapped (a slow start under load) never sees it.
    const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    if (Display* display = XOpenDisplay(server_->display().c_str())) {
        XSetErrorHandler(ignoreXError);
        XWindowAttributes a{};
        while (std::chrono::steady_clock::now() < until && process_->running()) {
            const Window w = findShowWindow(display);
            if (w && XGetWindowAttributes(display, w, &a) && a.map_state == IsViewable) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        XCloseDisplay(display);
    }
    x("xdotool key Escape");
    return process_->wait(seconds);
}

bool ShowRun::askToClose(const std::string& window) const
{
    Display* display = XOpenDisplay(server_->display().c_str());
    if (!display) return false;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = std::stoul(window);
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    const bool sent = XSendEvent(display, event.xclient.window, False, NoEventMask, &event) != 0;
    XCloseDisplay(display);  // flushes the event
    return sent;
}

bool ShowRun::killClient(const std::string& window) const
{
    Display* display = XOpenDisplay(server_->display().c_str());
    if (!display) return false;
    XKillClient(display, std::stoul(window));
    XSync(display, False);  // the server has acted once this returns
    XCloseDisplay(display);
    return true;
}

double ShowRun::warpPointer(const std::vector<std::pair<int, int>>& positions) const
{
    Display* display = XOpenDisplay(server_->display().c_str());
    if (!display) return -1;
    const Window root = DefaultRootWindow(display);
    const auto start = std::chrono::steady_clock::now();
    for (const auto& p : positions) XWarpPointer(display, None, root, 0, 0, 0, 0, p.first, p.second);
    XSync(display, False);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    XCloseDisplay(display);
    return took.count();
}

bool ShowRun::soundWritten() const
{
    std::streamoff offset = 0;
    return firstSoundInFile(path("out.raw"), offset, kSilence) >= 0;
}

bool ShowRun::musicHeard()
{
    return firstSoundInFile(path("out.raw"), heardUpTo_, kSilence) >= 0;
}

long ShowRun::soundBytes() const
{
    std::ifstream in(path("out.raw"), std::ios::binary | std::ios::ate);
    return in ? static_cast<long>(in.tellg()) : -1;
}
