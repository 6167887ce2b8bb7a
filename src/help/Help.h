// The "Help" button: where to ask questions.
#pragma once

class Ui;

// Shows the contact message (OK only, no icon, the application title).
void ShowHelp(Ui& ui);
