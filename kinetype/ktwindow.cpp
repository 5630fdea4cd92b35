#include "kinetype/ktwindow.h"

CKTWindow::~CKTWindow() = default;
