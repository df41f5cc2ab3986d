#include "cef3/browser/client_app.h"
