// The text caret of another program through the accessibility bus (AT-SPI). X11 itself has
// no caret; toolkits that export their widgets tell where theirs is.
#include <atspi/atspi.h>

#include "platform/x11/X11DesktopParts.h"

namespace Tarnwick::Platform {

namespace {

// Enough for a log-in window; a program with a huge tree is not walked to its end.
constexpr int kMaxNodes = 600;
constexpr int kMaxDepth = 24;

struct Unref {
    void operator()(gpointer object) const {
        if (object != nullptr) {
            g_object_unref(object);
        }
    }
};

bool HasState(AtspiAccessible* node, AtspiStateType state) {
    AtspiStateSet* states = atspi_accessible_get_state_set(node);
    if (states == nullptr) {
        return false;
    }
    const bool has = atspi_state_set_contains(states, state) != FALSE;
    g_object_unref(states);
    return has;
}

std::optional<ScreenRect> CaretOfText(AtspiAccessible* node) {
    AtspiText* text = atspi_accessible_get_text_iface(node);
    if (text == nullptr) {
        return std::nullopt;
    }
    std::unique_ptr<AtspiText, Unref> owner(text);
    GError* error = nullptr;
    const gint offset = atspi_text_get_caret_offset(text, &error);
    if (error != nullptr) {
        g_clear_error(&error);
        return std::nullopt;
    }
    AtspiRect* rect = atspi_text_get_character_extents(text, offset, ATSPI_COORD_TYPE_SCREEN, &error);
    if (error != nullptr || rect == nullptr) {
        g_clear_error(&error);
        g_free(rect);
        return std::nullopt;
    }
    ScreenRect result{rect->x, rect->y, rect->width, rect->height};
    g_free(rect);
    if (result.height <= 0 && offset > 0) {
        // After the last character there is no character: take the right edge of the one before.
        AtspiRect* before = atspi_text_get_character_extents(text, offset - 1, ATSPI_COORD_TYPE_SCREEN, &error);
        if (error == nullptr && before != nullptr) {
            result = ScreenRect{before->x + before->width, before->y, 1, before->height};
        }
        g_clear_error(&error);
        g_free(before);
    }
    if (result.height <= 0) {
        return std::nullopt;
    }
    return result;
}

std::optional<ScreenRect> FindFocusedCaret(AtspiAccessible* node, int depth, int& budget) {
    if (--budget < 0 || depth > kMaxDepth) {
        return std::nullopt;
    }
    if (HasState(node, ATSPI_STATE_FOCUSED)) {
        if (auto caret = CaretOfText(node)) {
            return caret;
        }
    }
    if (depth > 0 && !HasState(node, ATSPI_STATE_SHOWING)) {
        return std::nullopt;
    }
    GError* error = nullptr;
    const gint children = atspi_accessible_get_child_count(node, &error);
    if (error != nullptr) {
        g_clear_error(&error);
        return std::nullopt;
    }
    for (gint i = 0; i < children && budget >= 0; ++i) {
        std::unique_ptr<AtspiAccessible, Unref> child(atspi_accessible_get_child_at_index(node, i, &error));
        if (error != nullptr) {
            g_clear_error(&error);
            continue;
        }
        if (child) {
            if (auto caret = FindFocusedCaret(child.get(), depth + 1, budget)) {
                return caret;
            }
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<ScreenRect> AtSpiCaretOf(std::int64_t processId) {
    static const bool ready = [] {
        const int result = atspi_init();
        if (result == 0 || result == 1) {
            // A program that hangs must not hold the smart tag up for long.
            atspi_set_timeout(300, 1000);
            return true;
        }
        return false;
    }();
    if (!ready) {
        return std::nullopt;
    }
    std::unique_ptr<AtspiAccessible, Unref> desktop(atspi_get_desktop(0));
    if (!desktop) {
        return std::nullopt;
    }
    GError* error = nullptr;
    const gint applications = atspi_accessible_get_child_count(desktop.get(), &error);
    if (error != nullptr) {
        g_clear_error(&error);
        return std::nullopt;
    }
    for (gint i = 0; i < applications; ++i) {
        std::unique_ptr<AtspiAccessible, Unref> application(
            atspi_accessible_get_child_at_index(desktop.get(), i, &error));
        if (error != nullptr) {
            g_clear_error(&error);
            continue;
        }
        if (!application) {
            continue;
        }
        const guint pid = atspi_accessible_get_process_id(application.get(), &error);
        if (error != nullptr) {
            g_clear_error(&error);
            continue;
        }
        if (static_cast<std::int64_t>(pid) != processId) {
            continue;
        }
        int budget = kMaxNodes;
        if (auto caret = FindFocusedCaret(application.get(), 0, budget)) {
            return caret;
        }
    }
    return std::nullopt;
}

} // namespace Tarnwick::Platform
