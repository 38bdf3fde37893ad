// The core reaching for a window: the layer check must refuse it.
#include <ui/shell/CMainWndUI.h>
