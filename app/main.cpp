// kalibracja: the calibration window.
#include "ui/window_program.h"

int main(int argc, char** argv) { return kal::ui::RunWindowProgram(argc, argv); }
