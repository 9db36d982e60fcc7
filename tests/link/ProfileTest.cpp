#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "Profile.h"

namespace tavo {
namespace {

TEST(Profile, StartupPathIsTheDataDirectory) {
    QTemporaryDir dir;
    Profile::WriteStartupPath(dir.path());
    EXPECT_EQ(QDir::fromNativeSeparators(Profile::StartupPath()), dir.path());
    EXPECT_EQ(QDir::fromNativeSeparators(Profile::DataDirectory()), dir.path());
}

}  // namespace
}  // namespace tavo
