// Running text: the list of texts, play/pause/stop, direction, speed, font
// and colour, and where the running label sits.
#include "console/FMain.h"
#include "controls/RunLabel.h"

void TFormMain::rlNaprChange(TObject* /*Sender*/) {
  // RunStr's direction from rlNapr (running text).
}

void TFormMain::cbRlTopClick(TObject* /*Sender*/) {
  // RunStr at the top or the bottom of its panel (running text).
}
