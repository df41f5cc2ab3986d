#include "cef3/renderer/client_renderer_app.h"
