#include "app/application.h"

#include <memory>

#include "app/main_dialog.h"
#include "win/message_loop.h"

int run_application(const char* command_line, int show_command) {
    MessageLoop loop;
    app_module().add_message_loop(&loop);

    int result = 0;
    {
        auto main_dialog = std::make_unique<MainDialog>();
        main_dialog->set_startup_path(command_line);
        if (main_dialog->create()) {
            ShowWindow(main_dialog->hwnd(), show_command);
            result = loop.run();
        }
    }
    app_module().remove_message_loop();
    return result;
}
