// Temporary stubs for main-window commands that other parts of the program
// implement. Whoever implements one moves it into a file of their own folder
// and deletes it here.

#include "app/form_view_mesh.h"

// --- loading and export dialogs

