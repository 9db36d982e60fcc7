// Keeps the simulator library non-empty until its devices are written.
namespace tavo::sim {
int SimPlaceholder() { return 0; }
}
