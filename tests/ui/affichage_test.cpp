// Whether a graphical session is there before the toolkit starts: which
// platforms need a display server, and where the X and Wayland displays the
// environment names listen (the message: see the executable's tests).
#include "ui/affichage.h"
#include "support/dossier_temp.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

namespace {

TEST(Affichage, PlatformsThatNeedADisplayServer) {
    const struct {
        const char* plateformes;
        bool serveur;
    } cas[] = {{"xcb;wayland", true},
               {"wayland-egl", true},
               {" XCB ", true},
               {"", true},
               {"offscreen", false},
               {"xcb;offscreen", false},
               {"vnc:size=800x600", false},
               {"linuxfb", false}};
    for (const auto& c : cas)
        EXPECT_EQ(vt::plateformes_avec_serveur(c.plateformes), c.serveur) << c.plateformes;
}

TEST(Affichage, XDisplaySocket) {
    const struct {
        const char* display;
        std::optional<std::string> socket;
    } cas[] = {{":0", "/tmp/.X11-unix/X0"},
               {":12.1", "/tmp/.X11-unix/X12"},
               {"unix:3", "/tmp/.X11-unix/X3"},
               {"/run/x/org.x:0", "/run/x/org.x:0"},
               {"hote.example:0", std::nullopt},
               {"", ""},
               {":", ""},
               {":x", ""}};
    for (const auto& c : cas) EXPECT_EQ(vt::socket_x(c.display), c.socket) << c.display;
}

// A socket someone listens on answers; the file a dead server left, or no
// file, does not.
TEST(Affichage, OnlyAListeningSocketAnswers) {
    vt::test::DossierTemp d;
    auto prise = [](const std::string& chemin, bool ecoute) {
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        std::strncpy(a.sun_path, chemin.c_str(), sizeof a.sun_path - 1);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        EXPECT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
        if (ecoute)
            EXPECT_EQ(::listen(fd, 4), 0);
        else
            ::close(fd);
        return fd;
    };
    const int vivant = prise(d / "vivant", true);
    prise(d / "mort", false);
    vt::Session s;
    s.runtime = d.chemin();
    const struct {
        std::optional<std::string> display, wayland;
        bool joignable;
    } cas[] = {
        {std::nullopt, std::nullopt, false},
        {std::nullopt, "vivant", true},
        {std::nullopt, "mort", false},
        {std::nullopt, d / "vivant", true},
        {std::nullopt, "absent", false},
        {":", "vivant", true},
        {"ailleurs.example:0", std::nullopt, true},  // tried by the toolkit
        {":98765", "mort", false},
    };
    for (const auto& c : cas) {
        s.display = c.display;
        s.wayland_display = c.wayland;
        EXPECT_EQ(vt::session_joignable(s), c.joignable)
            << c.display.value_or("(unset)") << " " << c.wayland.value_or("(unset)");
    }
    ::close(vivant);
}

}  // namespace
