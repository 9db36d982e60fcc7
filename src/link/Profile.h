#pragma once

#include <QString>

namespace tavo {

// The application profile: the one entry "path", written with the start-up directory
// and read by the tables (and by the command line) to find their data directory.
class Profile {
public:
    static constexpr const char* kOrganisation = "Vantorel";
    static constexpr const char* kApplication = "tavo-utility";
    static constexpr const char* kSection = "TAVO 707 Utility Software - Vantorel Technologies";
    static constexpr const char* kPathEntry = "path";

    static void writeStartupPath(const QString& directory);
    // The recorded directory, or an empty string when there is none.
    static QString startupPath();
    // The data directory for the tables: the recorded path, else the current directory.
    static QString dataDirectory();
};

}  // namespace tavo
