#include "common/notices.h"

void info_notice(plat_window owner, const char *text)
{
    plat_message_box(owner, text, "Savewarden", PLAT_ICON_INFORMATION);
}

void warning_notice(plat_window owner, const char *text)
{
    plat_message_box(owner, text, "Savewarden Error", PLAT_ICON_WARNING);
}
