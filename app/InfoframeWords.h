#pragma once

#include <QByteArray>

class Prompts;
class QWidget;

// Adds to the HDR/IF page of either form, from code: the capture and the custom HDR and AVI
// editors in words, following every change, and "HDR metadata..." and "AVI fields..." in the
// editors' context menus, whose dialogs write colon hex into the editors. A page of fixed
// positions that grows beyond its tab scrolls.
void attachInfoframeWords(QWidget &window);

// True when `frame` may be sent: it is well formed, or the user answered Yes to "...Send
// anyway?".
bool confirmHdrSend(Prompts &prompts, const QByteArray &frame);
