// The core takes no Qt header at all.
#include <QString>
#include <string>
