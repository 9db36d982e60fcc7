#pragma once

#include <QStringList>
#include <functional>

namespace tavo::cli {

// One top-level command of `tavo` ("devices", "history", "bootp", "ip", ...). Each command
// lives in its own file and registers itself with a static CliCommand object, so adding a
// command never touches main.cpp. The handler gets the arguments after the command name
// and returns the process exit status.
struct CliCommand {
    using Handler = std::function<int(const QStringList& args)>;
    CliCommand(const char* name, const char* summary, Handler handler);

    const char* name;
    const char* summary;
    Handler handler;
};

const std::vector<const CliCommand*>& registeredCommands();

}  // namespace tavo::cli
