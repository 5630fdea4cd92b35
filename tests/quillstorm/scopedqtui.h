// The Qt UI services installed for as long as the object lives (the previous services come back).
#pragma once

#include "quillstorm/qtuiservices.h"

class CScopedQtUIServices : public CQtUIServices {
public:
    CScopedQtUIServices() : m_pOld(ui::SetUIServices(this)) {}
    ~CScopedQtUIServices() override { ui::SetUIServices(m_pOld); }
    CScopedQtUIServices(const CScopedQtUIServices&) = delete;
    CScopedQtUIServices& operator=(const CScopedQtUIServices&) = delete;

private:
    ui::CUIServices* m_pOld;
};
