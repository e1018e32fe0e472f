#pragma once

// How the text of a file the program writes or reads is encoded: the program's
// code page (Shift-JIS), or UTF-8 with or without its byte-order mark. The order
// is that of the choices the dialogs offer.
enum class FileEncoding { shift_jis, utf8_bom, utf8 };
