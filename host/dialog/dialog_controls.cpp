// The controls of a running dialog: which take the focus and where it goes
// next, the buttons that OK and Cancel stand for, pressing a button, the
// checks a value must pass before OK, and the texts by which the host names
// a control to a person.
#include <algorithm>
#include <cstdio>
#include <string>
#include <string_view>

#include "host/dialog/dialog_state.h"
#include "host/common/host_date.h"
#include "host/common/mazovia.h"

bool DialogFocusable(const RunningDialog& d, int number)
{
    if (!d.valid(number) || !d.at(number).enabled)
        return false;
    switch (d.control(number).kind) {
    case DialogControlKind::Input:
    case DialogControlKind::CheckBox:
    case DialogControlKind::Button:
        return true;
    default:
        return false;
    }
}

int DialogNextFocus(const RunningDialog& d, int from, int step)
{
    const int count = d.count();
    if (count == 0)
        return 0;
    int n = from < 1 || from > count ? (step > 0 ? 0 : count + 1) : from;
    for (int i = 0; i < count; ++i) {
        n += step;
        if (n > count)
            n = 1;
        if (n < 1)
            n = count;
        if (DialogFocusable(d, n))
            return n;
    }
    return 0;
}

int DialogOkButton(const RunningDialog& d)
{
    for (int n = 1; n <= d.count(); ++n)
        if (d.control(n).isOkButton())
            return d.control(n).id;
    return 0;
}

int DialogCancelButton(const RunningDialog& d)
{
    for (int n = 1; n <= d.count(); ++n)
        if (d.control(n).kind == DialogControlKind::Button && !d.control(n).isOkButton())
            return d.control(n).id;
    return 0;
}

std::string DialogControlName(const RunningDialog& d, int number)
{
    std::string name = "control " + std::to_string(number);
    const std::string caption = DialogCaption(d.layout, static_cast<std::size_t>(number - 1));
    if (!caption.empty())
        name += " \"" + caption + "\"";
    return name;
}

std::string DialogValueProblem(const RunningDialog& d, int number)
{
    const DialogControl& c = d.control(number);
    const DialogControlState& s = d.at(number);
    if (c.input == DialogInputType::Date && !s.text.empty()) {
        char text[kDialogDateLength + 1] = {};
        std::snprintf(text, sizeof text, "%s", s.text.c_str());
        int year, month, day;
        if (s.text.size() != static_cast<std::size_t>(kDialogDateLength) || !HostParseDate(text, &year, &month, &day)) {
            std::string shown = MazoviaToUtf8(s.text);
            if (shown.size() == static_cast<std::size_t>(kDialogDateLength))
                shown = shown.substr(0, 4) + "-" + shown.substr(4, 2) + "-" + shown.substr(6, 2);
            for (char& ch : shown)
                if (ch == ' ')
                    ch = '_';
            return "\"" + shown + "\" is not a real date";
        }
    }
    if (c.input == DialogInputType::Number && (s.number < c.minimum || s.number > c.maximum))
        return std::to_string(s.number) + " is outside " + std::to_string(c.minimum) + " to " +
               std::to_string(c.maximum);
    if ((c.input == DialogInputType::Text || c.input == DialogInputType::Date) &&
        s.text.size() > static_cast<std::size_t>(c.inputLength))
        return "it is longer than " + std::to_string(c.inputLength) + " characters";
    return {};
}

void DialogPressButton(RunningDialog& d, int id) { DIALOG_VIRTUAL(d, DlgOnCommand, id); }

std::string DialogHostText(const std::string& utf8) { return Utf8ToMazoviaShown(utf8); }

std::string DialogOneLine(const std::string& text)
{
    std::string line = text;
    while (!line.empty() && line.back() == '\n')
        line.pop_back();
    for (char& c : line)
        if (c == '\n')
            c = ' ';
    return line;
}
