#pragma once

namespace tavo {

// A line of many devices reads each flash sector from a socket of its own, which keeps
// its port a while after the reply: a hundred devices hold a few thousand sockets at
// once, above the 1024 open files a Linux session allows by default. The soft limit is
// raised to the hard one at start-up (nothing on platforms without such a limit).
void raiseOpenFileLimit();

}  // namespace tavo
