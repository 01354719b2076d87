// Keeps the platform-free logic library non-empty on every configuration.
namespace orlix { int LogicLibraryAnchor() { return 0; } }
