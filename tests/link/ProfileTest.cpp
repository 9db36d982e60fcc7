#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "Profile.h"

namespace tavo {
namespace {

TEST(Profile, StartupPathIsTheDataDirectory) {
    QTemporaryDir dir;
    Profile::writeStartupPath(dir.path());
    EXPECT_EQ(QDir::fromNativeSeparators(Profile::startupPath()), dir.path());
    EXPECT_EQ(QDir::fromNativeSeparators(Profile::dataDirectory()), dir.path());
}

}  // namespace
}  // namespace tavo
