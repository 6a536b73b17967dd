#pragma once

// Driving the main window in tests: mouse input through the window, as the
// window system delivers it, and cheap stand-in renderers.

#include "Main.h"
#include "SameImage.h"

#include <QImage>
#include <QPoint>

void ShowAndWait(TMainForm& Form);

// Positions are in the image area's (logical) coordinates.
void Press(TMainForm& Form, Qt::MouseButton Button, QPoint At);
void Move(TMainForm& Form, QPoint To);
void Release(TMainForm& Form, Qt::MouseButton Button, QPoint At);
void Click(TMainForm& Form, Qt::MouseButton Button, QPoint At);
void Drag(TMainForm& Form, QPoint From, QPoint To); // left button, one move
// QTest remembers held buttons across tests: let go of all of them.
void ReleaseAllButtons();

// A distinct, non-white, instant picture for every view and size.
TRenderer FakeRenderer();
// FakeRenderer, except that call number FailingCall (from 1) runs out of memory.
TRenderer FailingRenderer(int FailingCall);
