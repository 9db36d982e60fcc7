// tavo-utility's screenshot scenes, headless: the "Info" scene's picture shows the four
// pictures of the page, as the README's screenshot does.
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

constexpr int kBoundMs = 60000;  // a bound on the run, not a measure
const QStringList kLoopback{"--device-port", "10240", "--bootp-server-port", "0", "--bootp-client-port", "10068",
                            "--broadcast", "127.255.255.255"};

// True when `part` appears in `whole` pixel for pixel (the opaque picture of the logo)
// or, for pictures with clear parts, where `part` is opaque.
bool Contains(const QImage& whole, const QImage& part) {
    const QImage w = whole.convertToFormat(QImage::Format_ARGB32);
    const QImage p = part.convertToFormat(QImage::Format_ARGB32);
    const auto matchesAt = [&](int x0, int y0) {
        for (int y = 0; y < p.height(); ++y)
            for (int x = 0; x < p.width(); ++x) {
                const QRgb want = p.pixel(x, y);
                if (qAlpha(want) == 255 && (w.pixel(x0 + x, y0 + y) & 0xFFFFFF) != (want & 0xFFFFFF)) return false;
            }
        return true;
    };
    for (int y = 0; y + p.height() <= w.height(); ++y)
        for (int x = 0; x + p.width() <= w.width(); ++x)
            if (matchesAt(x, y)) return true;
    return false;
}

TEST(ScreenshotScene, TheInfoScenePicturesThePagesFourPictures) {
    QTemporaryDir config, data;
    const QString picture = data.filePath("info.png");
    QProcess utility;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_CONFIG_HOME", config.path());
    utility.setProcessEnvironment(env);
    utility.setWorkingDirectory(data.path());
    utility.start(TAVO_UTILITY_EXE,
                  kLoopback + QStringList{"--data-dir", data.path(), "--screenshot", picture, "--screenshot-scene", "info"});
    ASSERT_TRUE(utility.waitForFinished(kBoundMs)) << "the scene did not end";
    EXPECT_EQ(utility.exitCode(), 1) << utility.readAllStandardError().constData();  // its window closed

    const QImage shot(picture);
    ASSERT_FALSE(shot.isNull());
    for (const char* name : {"logo", "contact", "name", "mascot"}) {
        const QImage part(QString(TAVO_SOURCE_DIR "/src/ui/pictures/%1.png").arg(name));
        ASSERT_FALSE(part.isNull()) << name;
        EXPECT_TRUE(Contains(shot, part)) << name << " is not in the picture of the Info tab";
    }
}

}  // namespace
