// A command that wrongly takes a widget through the module path.
#include <QtWidgets/QWidget>
#include <QString>
