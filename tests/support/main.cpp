// Test entry point: a headless QApplication (offscreen platform, dummy
// audio driver) with a notification area, so that tests can create the real windows.
#include <gtest/gtest.h>
#include <QApplication>
#include <cstdlib>
#include "ui/session.h"

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    vt::definir_zone_notification([] { return true; });
    return RUN_ALL_TESTS();
}
