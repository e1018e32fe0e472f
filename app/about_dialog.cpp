#include "app/about_dialog.h"

void show_about_box(HWND) {
}
