// Measures how long the player takes from process start until its first
// window is mapped on the X server: starts it N times and prints every run,
// then the minimum and the median, in milliseconds.
//
//   mesure_demarrage <runs> <app folder> <executable> [args...]
//
// Needs DISPLAY (an Xvfb server will do). The app folder must hold a
// vantrel.config, or the first window would be the missing-file message.
#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

double une_mesure(xcb_connection_t* c, xcb_window_t racine, const char* dossier, char** argv) {
    using horloge = std::chrono::steady_clock;
    const auto debut = horloge::now();
    pid_t pid = fork();
    if (pid == 0) {
        if (chdir(dossier) != 0) _exit(127);
        execv(argv[0], argv);
        _exit(127);
    }
    double ms = -1;
    pollfd p{xcb_get_file_descriptor(c), POLLIN, 0};
    while (ms < 0) {
        if (poll(&p, 1, 10000) <= 0) break;
        while (xcb_generic_event_t* e = xcb_poll_for_event(c)) {
            if ((e->response_type & 0x7f) == XCB_MAP_NOTIFY) {
                auto* m = reinterpret_cast<xcb_map_notify_event_t*>(e);
                if (m->event == racine && !m->override_redirect && ms < 0)
                    ms = std::chrono::duration<double, std::milli>(horloge::now() - debut).count();
            }
            free(e);
        }
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    // Drain the unmap/destroy events of this run.
    usleep(100000);
    while (xcb_generic_event_t* e = xcb_poll_for_event(c)) free(e);
    return ms;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s runs app_folder executable [args...]\n", argv[0]);
        return 2;
    }
    const int runs = std::atoi(argv[1]);
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "no X display\n");
        return 1;
    }
    xcb_window_t racine = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const uint32_t masque = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, racine, XCB_CW_EVENT_MASK, &masque);
    xcb_flush(c);
    std::vector<double> mesures;
    for (int i = 0; i < runs; ++i) {
        double ms = une_mesure(c, racine, argv[2], argv + 3);
        std::printf("run %d: %.1f ms\n", i + 1, ms);
        if (ms >= 0) mesures.push_back(ms);
    }
    if (mesures.empty()) return 1;
    std::sort(mesures.begin(), mesures.end());
    std::printf("startup_to_map_ms min %.1f median %.1f\n", mesures.front(), mesures[mesures.size() / 2]);
    xcb_disconnect(c);
    return 0;
}
