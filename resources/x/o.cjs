/* Velloxa skin for the Login window: a Qt style sheet.
   Calm neutral surfaces, one blue accent, soft rounded edges. Fonts come from the window
   (Arial 9 pt, headings 11.25 pt bold), so no rule here sets a font size. */

*[velloxaSkin="login"] {
    background-color: #f4f6f9;
    color: #1f2933;
}

/* Dialogs opened over the window (message boxes) take its surface, the one their labels get
   below, so that a message does not sit on a patch of its own. */
QDialog {
    background-color: #f4f6f9;
    color: #1f2933;
}

/* Labels and check boxes take the surface they sit on (not "transparent": the check box
   draws its box outline from its background). */
QLabel, QCheckBox, QRadioButton {
    background-color: #f4f6f9;
    color: #1f2933;
}
QGroupBox QLabel, QGroupBox QCheckBox, QGroupBox QRadioButton {
    background-color: #fbfcfd;
}

/* Frames: a light card with a quiet border and the title on its edge. */
QGroupBox {
    background-color: #fbfcfd;
    border: 1px solid #d3d9e1;
    border-radius: 6px;
    margin-top: 14px;
    padding: 10px 8px 8px 8px;
}
QGroupBox::title {
    subcontrol-origin: margin;
    subcontrol-position: top left;
    left: 10px;
    padding: 0 4px;
    color: #2a5d95;
    background-color: #f4f6f9;
}

/* Text boxes */
QLineEdit {
    background-color: #ffffff;
    color: #1f2933;
    border: 1px solid #c2cad4;
    border-radius: 4px;
    padding: 2px 6px;
    selection-background-color: #2f6fb2;
    selection-color: #ffffff;
}
QLineEdit:hover {
    border-color: #8fa9c6;
}
QLineEdit:focus {
    border: 1px solid #2f6fb2;
    background-color: #fdfeff;
}
QLineEdit:disabled {
    background-color: #eef1f4;
    color: #8a96a3;
}

/* Push buttons: quiet by default, the default button carries the accent. */
QPushButton {
    background-color: #ffffff;
    color: #1f2933;
    border: 1px solid #b9c3ce;
    border-radius: 4px;
    padding: 4px 14px;
    min-height: 18px;
}
QPushButton:hover {
    background-color: #eaf2fb;
    border-color: #6f98c4;
}
QPushButton:pressed {
    background-color: #d4e4f5;
    border-color: #2f6fb2;
}
QPushButton:focus {
    border-color: #2f6fb2;
}
QPushButton:default {
    background-color: #2f6fb2;
    color: #ffffff;
    border-color: #265d96;
}
QPushButton:default:hover {
    background-color: #3a7cc0;
}
QPushButton:default:pressed {
    background-color: #265d96;
}
QPushButton:disabled {
    background-color: #f0f2f5;
    color: #9aa5b1;
    border-color: #d6dce3;
}

/* Check box: the native indicator keeps its check mark; only the spacing is set. */
QCheckBox {
    spacing: 6px;
}
