// Scripted answers: "CONTROL=VALUE" lines that fill a batch dialog before
// OK is pressed.  Every answer is checked before any is applied, so a script
// with one bad line changes nothing, and the message names every offence.
#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "contract/host_records.h"
#include "host/common/host_date.h"
#include "host/common/utf8.h"
#include "host/dialog/dialog_state.h"
#include "host/services/host_session.h"
#include "host/common/mazovia.h"

char32_t DialogFoldCase(char32_t c)
{
    if (c >= U'A' && c <= U'Z')
        return c + 0x20;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7)
        return c + 0x20;
    if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177))
        return c | 1;
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E))
        return (c & 1) != 0 ? c + 1 : c;
    return c;
}

namespace {

std::u32string Folded(std::string_view utf8)
{
    std::u32string out;
    std::size_t i = 0;
    while (i < utf8.size())
        out.push_back(DialogFoldCase(DecodeUtf8(utf8, &i)));
    return out;
}

bool Blank(char ch) { return ch == ' ' || ch == '\t'; }

// A name as a person may write it: with or without tildes and the colon.
std::string NormalizedName(std::string_view name)
{
    std::string text;
    for (char ch : name)
        if (ch != '~')
            text.push_back(ch);
    while (!text.empty() && Blank(text.back()))
        text.pop_back();
    if (!text.empty() && text.back() == ':')
        text.pop_back();
    while (!text.empty() && Blank(text.back()))
        text.pop_back();
    std::size_t start = 0;
    while (start < text.size() && Blank(text[start]))
        ++start;
    return text.substr(start);
}

bool AllDigits(std::string_view s)
{
    if (s.empty())
        return false;
    for (char ch : s)
        if (ch < '0' || ch > '9')
            return false;
    return true;
}

// The control an answer names, or 0 with the reason.
int Resolve(const RunningDialog& d, const std::string& written, std::string* why)
{
    const std::string name = NormalizedName(written);
    if (name.empty()) {
        *why = "it names no control";
        return 0;
    }
    if (AllDigits(name)) {
        const int n = name.size() <= 6 ? std::stoi(name) : 0;
        if (d.valid(n))
            return n;
        *why = "the dialog has no control " + name + " (it has " + std::to_string(d.count()) + ")";
        return 0;
    }
    const std::u32string wanted = Folded(name);
    // A label and the input after it share a caption: the input is meant.
    std::vector<int> data, other;
    for (int n = 1; n <= d.count(); ++n) {
        if (Folded(DialogCaption(d.layout, static_cast<std::size_t>(n - 1))) != wanted)
            continue;
        (d.control(n).carriesData() ? data : other).push_back(n);
    }
    const std::vector<int>& found = !data.empty() ? data : other;
    if (found.size() == 1)
        return found[0];
    if (found.empty()) {
        *why = "the dialog has no control \"" + name + "\"";
        return 0;
    }
    std::string list;
    for (std::size_t i = 0; i < found.size(); ++i)
        list += (i == 0 ? "" : i + 1 == found.size() ? " and " : ", ") + std::to_string(found[i]);
    *why = "\"" + name + "\" names controls " + list + "; give the control's number instead";
    return 0;
}

bool ParseCheck(const std::string& value, bool* checked)
{
    std::string v;
    for (char ch : value)
        v.push_back(ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch + 0x20) : ch);
    for (const char* yes : {"1", "t", "tak", "yes", "y", "on"})
        if (v == yes) {
            *checked = true;
            return true;
        }
    for (const char* no : {"0", "n", "nie", "no", "off"})
        if (v == no) {
            *checked = false;
            return true;
        }
    return false;
}

std::string Quoted(const std::string& value) { return "\"" + value + "\""; }

// The answer's value into the control's state, or false with the reason.
bool ParseValue(const DialogControl& c, const std::string& value, DialogControlState* s, std::string* why)
{
    if (c.kind == DialogControlKind::CheckBox) {
        if (!ParseCheck(value, &s->checked)) {
            *why = Quoted(value) + " is not 1 or 0 (nor t/n, tak/nie, yes/no, on/off)";
            return false;
        }
        return true;
    }
    switch (c.input) {
    case DialogInputType::Date: {
        if (value.empty()) {
            s->text.clear();
            return true;
        }
        if (!HasIsoDateShape(value)) {
            *why = Quoted(value) + " is not a date in the form YYYY-MM-DD";
            return false;
        }
        char text[kHostDateWidth];
        if (!IsoDateToHost(value, text)) {
            *why = Quoted(value) + " is not a real date";
            return false;
        }
        s->text = text;
        return true;
    }
    case DialogInputType::Number: {
        std::string_view digits = value;
        const bool negative = !digits.empty() && digits[0] == '-';
        if (!digits.empty() && (digits[0] == '-' || digits[0] == '+'))
            digits.remove_prefix(1);
        if (!AllDigits(digits)) {
            *why = Quoted(value) + " is not a number";
            return false;
        }
        // Long enough to leave any 32-bit range, short enough not to overflow.
        long long n = 0;
        for (char ch : digits.substr(0, std::min<std::size_t>(digits.size(), 12)))
            n = n * 10 + (ch - '0');
        if (digits.size() > 12)
            n = 1000000000000LL;
        if (negative)
            n = -n;
        if (n < c.minimum || n > c.maximum) {
            *why = Quoted(value) + " is outside the range " + std::to_string(c.minimum) + " to " +
                   std::to_string(c.maximum);
            return false;
        }
        s->number = static_cast<int32_t>(n);
        return true;
    }
    case DialogInputType::Text: {
        std::string text;
        char32_t offending = 0;
        if (!Utf8ToMazovia(value, &text, &offending)) {
            if (offending == 0xFFFD) {
                *why = "the value is not valid UTF-8";
            } else {
                *why = Quoted(value) + " holds " + CodePointName(offending) + ", which the host's text lacks";
            }
            return false;
        }
        for (char ch : text)
            if (static_cast<unsigned char>(ch) < 0x20) {
                *why = "the value holds a control character";
                return false;
            }
        if (text.size() > static_cast<std::size_t>(c.inputLength)) {
            *why = Quoted(value) + " has " + std::to_string(text.size()) + " characters; the field takes at most " +
                   std::to_string(c.inputLength);
            return false;
        }
        s->text = text;
        return true;
    }
    case DialogInputType::None:
        break;
    }
    *why = "it takes no value";
    return false;
}

} // namespace

bool ApplyDialogAnswers(RunningDialog& d, const std::vector<std::string>& answers, std::vector<std::string>* problems)
{
    std::vector<DialogControlState> next = d.state;
    std::vector<int> changed;
    std::vector<std::string> found;
    for (const std::string& answer : answers) {
        const std::string shown = "answer " + Quoted(answer);
        const std::size_t eq = answer.find('=');
        if (eq == std::string::npos) {
            found.push_back(shown + " has no '=' (write CONTROL=VALUE)");
            continue;
        }
        std::string why;
        const int n = Resolve(d, answer.substr(0, eq), &why);
        if (n == 0) {
            found.push_back(shown + ": " + why);
            continue;
        }
        const std::string control = shown + ": " + DialogControlName(d, n);
        if (!d.control(n).carriesData()) {
            found.push_back(control + " carries no data");
            continue;
        }
        if (!d.at(n).enabled) {
            found.push_back(control + " is disabled");
            continue;
        }
        if (!ParseValue(d.control(n), answer.substr(eq + 1), &next[static_cast<std::size_t>(n - 1)], &why)) {
            found.push_back(control + ": " + why);
            continue;
        }
        changed.push_back(n);
    }
    if (!found.empty()) {
        if (problems != nullptr)
            *problems = std::move(found);
        return false;
    }
    d.state = std::move(next);
    if (!changed.empty()) {
        d.modified = true;
        d.redraw = true;
    }
    for (int n : changed)
        DIALOG_VIRTUAL(d, DlgOnChange, n);
    return true;
}

std::vector<std::string> TakeDialogAnswers()
{
    std::vector<std::string> answers = std::move(HostState().dialogAnswers);
    HostState().dialogAnswers.clear();
    return answers;
}

bool DialogCancelRequested() { return HostState().dialogCancel; }
