// Measures how long the player takes from process start until its first
// window is mapped on the X server and, when the server has the DAMAGE
// extension, until the first picture is drawn into that window: starts it N
// times and prints every run, then the minimum and the median of each, in
// milliseconds.
//
//   mesure_demarrage <runs> <app folder> <executable> [args...]
//
// Needs DISPLAY (an Xvfb server will do). The app folder must hold a
// vantrel.config, or the first window would be the missing-file message.
#include <xcb/xcb.h>
#ifdef AVEC_DAMAGE
#include <xcb/damage.h>
#endif

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

using horloge = std::chrono::steady_clock;

struct Mesure {
    double carte = -1;   // mapped
    double dessin = -1;  // first drawing into the mapped window
};

struct Serveur {
    xcb_connection_t* c = nullptr;
    xcb_window_t racine = 0;
    bool damage = false;
#ifdef AVEC_DAMAGE
    uint8_t premier_evenement_damage = 0;
#endif
};

double depuis(horloge::time_point debut) {
    return std::chrono::duration<double, std::milli>(horloge::now() - debut).count();
}

Mesure une_mesure(Serveur& s, const char* dossier, char** argv) {
    const auto debut = horloge::now();
    pid_t pid = fork();
    if (pid == 0) {
        if (chdir(dossier) != 0) _exit(127);
        execv(argv[0], argv);
        _exit(127);
    }
    Mesure m;
    // Every top-level window created by the player is watched from its
    // creation, so that a drawing made right after the map is not missed.
    std::vector<xcb_window_t> surveillees;
    xcb_window_t carte = 0;
    pollfd p{xcb_get_file_descriptor(s.c), POLLIN, 0};
    auto fini = [&] { return m.carte >= 0 && (!s.damage || m.dessin >= 0); };
    while (!fini()) {
        if (poll(&p, 1, 10000) <= 0) break;
        while (xcb_generic_event_t* e = xcb_poll_for_event(s.c)) {
            const uint8_t type = e->response_type & 0x7f;
            if (type == XCB_CREATE_NOTIFY) {
                auto* c = reinterpret_cast<xcb_create_notify_event_t*>(e);
#ifdef AVEC_DAMAGE
                if (s.damage && c->parent == s.racine && !c->override_redirect) {
                    xcb_damage_damage_t d = xcb_generate_id(s.c);
                    xcb_damage_create(s.c, d, c->window, XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY);
                    xcb_flush(s.c);
                    surveillees.push_back(c->window);
                }
#else
                (void)c;
#endif
            } else if (type == XCB_MAP_NOTIFY) {
                auto* n = reinterpret_cast<xcb_map_notify_event_t*>(e);
                if (n->event == s.racine && !n->override_redirect && m.carte < 0) {
                    m.carte = depuis(debut);
                    carte = n->window;
                }
            }
#ifdef AVEC_DAMAGE
            else if (s.damage && type == s.premier_evenement_damage + XCB_DAMAGE_NOTIFY) {
                auto* d = reinterpret_cast<xcb_damage_notify_event_t*>(e);
                // Only a drawing into the window once it is mapped counts.
                if (m.dessin < 0 && carte != 0 && d->drawable == carte) m.dessin = depuis(debut);
            }
#endif
            free(e);
        }
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    // Drain the unmap/destroy events of this run (the damage objects die
    // with their windows).
    usleep(100000);
    while (xcb_generic_event_t* e = xcb_poll_for_event(s.c)) free(e);
    return m;
}

void resume(const char* nom, std::vector<double> v) {
    if (v.empty()) return;
    std::sort(v.begin(), v.end());
    std::printf("%s min %.1f median %.1f\n", nom, v.front(), v[v.size() / 2]);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s runs app_folder executable [args...]\n", argv[0]);
        return 2;
    }
    const int runs = std::atoi(argv[1]);
    Serveur s;
    s.c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(s.c)) {
        std::fprintf(stderr, "no X display\n");
        return 1;
    }
    s.racine = xcb_setup_roots_iterator(xcb_get_setup(s.c)).data->root;
#ifdef AVEC_DAMAGE
    if (const xcb_query_extension_reply_t* ext = xcb_get_extension_data(s.c, &xcb_damage_id);
        ext && ext->present) {
        auto* v = xcb_damage_query_version_reply(s.c, xcb_damage_query_version(s.c, 1, 1), nullptr);
        if (v) {
            s.damage = true;
            s.premier_evenement_damage = ext->first_event;
            free(v);
        }
    }
#endif
    const uint32_t masque = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(s.c, s.racine, XCB_CW_EVENT_MASK, &masque);
    xcb_flush(s.c);
    std::vector<double> cartes, dessins;
    for (int i = 0; i < runs; ++i) {
        Mesure m = une_mesure(s, argv[2], argv + 3);
        if (s.damage)
            std::printf("run %d: mapped %.1f ms, first picture %.1f ms\n", i + 1, m.carte, m.dessin);
        else
            std::printf("run %d: mapped %.1f ms\n", i + 1, m.carte);
        if (m.carte >= 0) cartes.push_back(m.carte);
        if (m.dessin >= 0) dessins.push_back(m.dessin);
    }
    if (cartes.empty()) return 1;
    resume("startup_to_map_ms", cartes);
    resume("startup_to_first_picture_ms", dessins);
    xcb_disconnect(s.c);
    return 0;
}
