#pragma once

class QLabel;
class QTextEdit;

// The CEC page in words, added to either form from code: under the editor a label with the
// typed message in words (accessible name "CEC message in words") and a row of a "Command" box,
// a destination box and an operand field that fill the editor with a named command's hex; the
// help's examples get their words beside them. Send CEC sends the editor as before.
void attachCecWords(QTextEdit &editor, QLabel &help);
