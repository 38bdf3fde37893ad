// A file below app that reaches up: the layer check must refuse it.
#include "app/UiSink.h"
