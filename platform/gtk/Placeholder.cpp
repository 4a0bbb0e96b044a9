// Keeps the gtk backend library non-empty until its sources land.
namespace os::gtk {
int BackendVersion() { return 1; }
}  // namespace os::gtk
