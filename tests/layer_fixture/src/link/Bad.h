#pragma once
// A link header that wrongly takes a widget: the layer check must refuse it.
#include <QMessageBox>
