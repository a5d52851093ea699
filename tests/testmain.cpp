#include "testsupport.h"

#include <QApplication>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Listing the tests (CTest's discovery) needs no display at all.
    bool listing = false;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--gtest_list_tests") == 0) listing = true;
    if (listing) return RUN_ALL_TESTS();
    // Offscreen on a desktop-sized screen, or the one PENTARIX_TEST_SCREEN names.
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (platform.isEmpty() || platform == "offscreen") {
        QByteArray screen = qgetenv("PENTARIX_TEST_SCREEN");
        if (screen.isEmpty()) screen = "desktop";
        qputenv("QT_QPA_PLATFORM",
                "offscreen:configfile=" PENTARIX_TEST_SCREENS "/" + screen + ".json");
    }
    QApplication app(argc, argv);
    InstallErrorRecorder();
    return RUN_ALL_TESTS();
}
