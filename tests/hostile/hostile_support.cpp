#include "hostile/hostile_support.h"

#include <cstdint>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#else
#include <pthread.h>
#endif

#include "loader/stack_guard.h"

std::string nested_groups(int n, const std::string &inner) {
    std::string text;
    text.reserve(static_cast<size_t>(n) * 24 + inner.size());
    for (int i = 0; i < n; ++i) text += "Group { children [ ";
    text += inner;
    for (int i = 0; i < n; ++i) text += "] } ";
    return text;
}

std::string nested_transforms(int n, const std::string &inner) {
    std::string text;
    text.reserve(static_cast<size_t>(n) * 24 + inner.size());
    for (int i = 0; i < n; ++i) text += "Transform { children ";
    text += inner.empty() ? "Group { }" : inner;
    for (int i = 0; i < n; ++i) text += " }";
    return text;
}

std::string nested_scripts(int n) {
    std::string text;
    for (int i = 0; i < n; ++i) text += "Script { field SFNode inner ";
    text += "NULL";
    for (int i = 0; i < n; ++i) text += " }";
    return text;
}

namespace {
#ifdef _WIN32
DWORD WINAPI thread_main(LPVOID arg) {
    (*static_cast<const std::function<void()> *>(arg))();
    return 0;
}
#else
void *thread_main(void *arg) {
    (*static_cast<const std::function<void()> *>(arg))();
    return nullptr;
}
#endif

std::jmp_buf g_jump;
std::string *g_message = nullptr;

[[noreturn]] void jump_back(void *, const char *message) {
    if (g_message) *g_message = message;
    std::longjmp(g_jump, 1);
}
}  // namespace

bool run_on_stack(size_t stack_bytes, const std::function<void()> &fn) {
#ifdef _WIN32
    HANDLE thread = CreateThread(nullptr, stack_bytes, thread_main, const_cast<std::function<void()> *>(&fn),
                                 STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    if (!thread) return false;
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    return true;
#else
    pthread_attr_t attr;
    if (pthread_attr_init(&attr) != 0) return false;
    pthread_attr_setstacksize(&attr, stack_bytes);
    pthread_t thread;
    int r = pthread_create(&thread, &attr, thread_main, const_cast<std::function<void()> *>(&fn));
    pthread_attr_destroy(&attr);
    if (r != 0) return false;
    pthread_join(thread, nullptr);
    return true;
#endif
}

namespace {
#if defined(__SANITIZE_ADDRESS__)
#define ZEBVRML2_LSAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZEBVRML2_LSAN 1
#endif
#endif
#if defined(ZEBVRML2_LSAN)
extern "C" void __lsan_disable();
extern "C" void __lsan_enable();
struct LeakCheckPause {
    LeakCheckPause() { __lsan_disable(); }
    ~LeakCheckPause() { __lsan_enable(); }
};
#else
struct LeakCheckPause {
    LeakCheckPause() {}  // user-provided: a variable of it counts as used
};
#endif
}  // namespace

bool ends_fatally(void (*fn)(void *), void *arg, std::string *message) {
    // A jump out of the fatal exit loses what the frames it leaves were
    // holding (a value being read, say): not what the leak check is about.
    LeakCheckPause pause;
    vrml_fatalhandler previous = vrml_setfatalhandler(jump_back, nullptr);
    g_message = message;
    volatile bool fatal = false;
    {
        // What the frames a fatal jump skips held is lost with them.
        LeaksIgnored ignored;
        if (setjmp(g_jump) == 0) fn(arg);
        else fatal = true;
    }
    vrml_setfatalhandler(previous, nullptr);
    g_message = nullptr;
    return fatal;
}

double stack_per_level(const std::function<uintptr_t(int)> &fn, int low, int high) {
    uintptr_t a = fn(low);
    uintptr_t b = fn(high);
    return static_cast<double>(a - b) / (high - low);
}
