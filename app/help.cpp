#include "app/help.h"

void show_help_contents(HWND) {
}
