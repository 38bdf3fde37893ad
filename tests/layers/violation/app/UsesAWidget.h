// The core reaching for a window: the layer check must refuse it.
#include <ui/CMainWndUI.h>
