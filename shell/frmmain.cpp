#include "shell/frmmain.h"

frmMain::frmMain() : Form(QStringLiteral("frmMain"))
{
    setWindowTitle(QStringLiteral("Quillory"));
    resize(480, 320);
}

void frmMain::Form_Load() { Show(); }
