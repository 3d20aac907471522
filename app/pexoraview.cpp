#include "app/pexoraview.h"

CPexoraView::CPexoraView(QWidget *parent)
    : QWidget(parent)
{
}

CPexoraView::~CPexoraView() = default;

void CPexoraView::paintEvent(QPaintEvent *) { }
