#pragma once

#include <QObject>

// The main window driven as a user would, through Qt's event routing.
class TMainFormTest : public QObject {
  Q_OBJECT

private slots:
  void cleanup();
  void Layout();
  void FirstImageIsTheStartView();
  void EscClosesTheWindow();
  void EscDuringADragCancelsIt();
  void OtherKeysDoNothing();
  void RendersBusyAndLowered();
  void FailedFirstRenderThrowsCleanly();
  void ZoomAndGoBack();
  void EmptyHistoryDoesNothing();
  void ThreeZoomsThreeBacks();
  void FailedZoomLeavesEverything();
  void SmallDragsChangeNothing_data();
  void SmallDragsChangeNothing();
  void DragDirectionDoesNotMatter();
  void FlatDragZoomsToOneColour();
  void DragEndingOutsideReachesBeyond();
  void RightPressDuringADrag();
  void MoveAtTheLastBandDrawsNothing();
  void RightDoubleClickGoesBackTwice();
  void ScaledScreen();
};
