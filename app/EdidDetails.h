#pragma once

class QPlainTextEdit;
class QTextEdit;

// Debounce of the details page: the report follows the editor this long after its last change.
constexpr int EdidDetailsDelayMs = 150;

// Keeps `details` showing the decoded table of `editor`'s text (or why it is none), refreshed
// once the editor has been still for EdidDetailsDelayMs. The timer lives as long as `details`.
void attachEdidDetails(QTextEdit &editor, QPlainTextEdit &details);
