#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

// Faces for the characters that the editor's font has no glyph for. Rich edit under
// Wine links no fonts: such a character would show as an empty box unless its run
// is given a face that has it. The installed faces are asked once each, and the
// answer for each character is kept.
class GlyphFaces {
public:
    // The editor's own face and character set.
    GlyphFaces(const wchar_t* face, BYTE charset);
    ~GlyphFaces();
    GlyphFaces(const GlyphFaces&) = delete;
    GlyphFaces& operator=(const GlyphFaces&) = delete;

    // The face to draw `code` in; nullptr when the editor's font has it, or when no
    // installed font has it (the editor's font then draws what it draws for a
    // missing glyph).
    const wchar_t* face_for(char32_t code);

    // Gives every run of a Unicode rich edit's text that its font lacks a face that
    // has it. The control's selection and undo are as they were before.
    void give_faces(HWND rich_edit);

private:
    struct Face {
        std::wstring name;
        BYTE charset = DEFAULT_CHARSET;
        HFONT font = nullptr;
        bool examined = false;
        // The ranges of characters beyond the basic plane that the font maps.
        std::vector<std::pair<char32_t, char32_t>> beyond_basic;
    };

    bool has_glyph(Face& face, char32_t code);
    // Faces other than the editor's, found on the first character it lacks.
    void list_faces();

    HDC dc_ = nullptr;
    std::vector<std::unique_ptr<Face>> faces_;
    bool listed_ = false;
    // For each character asked about: the index of its face, 0 for the editor's
    // own, -1 for none.
    std::unordered_map<char32_t, int> chosen_;
};
