// The run-script parser. Every line is checked before anything runs; the first mistake is
// reported with the script's name and line, in the words a script's author uses.
#include "run/run_script.h"

#include "run/key_names.h"

#include <charconv>
#include <cmath>
#include <fstream>
#include <sstream>

namespace Lumidraft::run {

namespace {

class Line {
public:
    Line(const std::string& text, const std::string& name, int number) : name_(name), number_(number)
    {
        std::istringstream words(text.substr(0, text.find('#')));
        std::string word;
        while (words >> word)
            words_.push_back(word);
    }

    bool empty() const { return words_.empty(); }
    bool done() const { return next_ >= words_.size(); }
    const std::string& peek() const { return words_[next_]; }

    // The next word, or a refusal saying what was wanted.
    const std::string& take(const std::string& wanted)
    {
        if (done())
            fail("missing " + wanted);
        return words_[next_++];
    }
    void expect(const std::string& word, const std::string& wanted)
    {
        if (take(wanted) != word)
            fail(wanted + ", not \"" + words_[next_ - 1] + "\"");
    }
    void finish()
    {
        if (!done())
            fail("unexpected \"" + peek() + "\" at the end of the line");
    }

    std::int64_t count(const std::string& wanted, std::int64_t lowest, std::int64_t highest)
    {
        const std::string& word = take(wanted);
        std::int64_t value = 0;
        const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
        if (error != std::errc() || end != word.data() + word.size())
            fail("\"" + word + "\" is not " + wanted);
        if (value < lowest || value > highest) {
            const std::string noun = wanted.substr(wanted.find(' ') + 1); // without its article
            fail(noun + " " + word + " is out of range (" + std::to_string(lowest) + " to " + std::to_string(highest) +
                 ")");
        }
        return value;
    }
    double seconds()
    {
        const std::string& word = take("a time in seconds");
        double value = 0.0;
        const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
        if (error != std::errc() || end != word.data() + word.size() || !std::isfinite(value) || value < 0.0 ||
            value > 1.0e7)
            fail("\"" + word + "\" is not a time in seconds");
        return value;
    }

    [[noreturn]] void fail(const std::string& what) const
    {
        throw ScriptError(name_ + ":" + std::to_string(number_) + ": " + what);
    }
    int number() const { return number_; }

private:
    std::vector<std::string> words_;
    std::size_t next_ = 0;
    const std::string& name_;
    int number_;
};

constexpr std::int64_t maxFrame = 1'000'000'000'000;
constexpr int maxCoordinate = 1'000'000;

unsigned keyOf(Line& line, const std::string& word)
{
    const auto vk = virtualKeyByName(word);
    if (!vk)
        line.fail("unknown key \"" + word + "\"");
    return *vk;
}

// Checks a capture pattern: literal text, "%%", and at most one conversion %[0][width]d.
void checkPattern(Line& line, const std::string& pattern)
{
    int conversions = 0;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != '%')
            continue;
        if (i + 1 < pattern.size() && pattern[i + 1] == '%') {
            ++i;
            continue;
        }
        std::size_t j = i + 1;
        while (j < pattern.size() && j - i <= 3 && pattern[j] >= '0' && pattern[j] <= '9')
            ++j;
        if (j >= pattern.size() || pattern[j] != 'd' || ++conversions > 1)
            line.fail("capture path \"" + pattern + "\" may hold one %d (or %05d) for the frame number and nothing else after %");
        i = j;
    }
}

Action parseAction(Line& line)
{
    Action action;
    const std::string& verb = line.take("an action (press, down, up, move, click or capture)");
    if (verb == "press") {
        action.kind = Action::press;
        action.key = keyOf(line, line.take("a key after \"press\""));
    } else if (verb == "down" || verb == "up") {
        action.kind = verb == "down" ? Action::down : Action::up;
        const std::string& what = line.take("a key or button after \"" + verb + "\"");
        if (const auto button = buttonByName(what))
            action.button = *button;
        else
            action.key = keyOf(line, what);
    } else if (verb == "click") {
        action.kind = Action::click;
        const std::string& what = line.take("a button (left, right or middle) after \"click\"");
        const auto button = buttonByName(what);
        if (!button)
            line.fail("unknown button \"" + what + "\"; use left, right or middle");
        action.button = *button;
    } else if (verb == "move") {
        action.kind = Action::move;
        action.x = static_cast<int>(line.count("an x position in pixels", -maxCoordinate, maxCoordinate));
        action.y = static_cast<int>(line.count("a y position in pixels", -maxCoordinate, maxCoordinate));
    } else if (verb == "capture") {
        action.kind = Action::capture;
        action.path = line.take("a file name after \"capture\"");
        checkPattern(line, action.path);
        // Captures are PNG pictures; any other name would fail only half-way through the run.
        std::string ending = action.path.size() >= 4 ? action.path.substr(action.path.size() - 4) : "";
        for (char& c : ending)
            c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        if (ending != ".png")
            line.fail("capture path \"" + action.path + "\" must end in .png");
    } else {
        line.fail("unknown action \"" + verb + "\"; use press, down, up, move, click or capture");
    }
    line.finish();
    return action;
}

} // namespace

RunScript parseRunScript(std::istream& text, const std::string& name)
{
    RunScript script;
    script.name = name;
    int displayLine = 0, endLine = 0, seedLine = 0;
    std::string raw;
    for (int number = 1; std::getline(text, raw); ++number) {
        if (!raw.empty() && raw.back() == '\r')
            raw.pop_back();
        Line line(raw, name, number);
        if (line.empty())
            continue;
        const std::string word = line.take("an instruction");
        auto once = [&](int& seen, const char* what) {
            if (seen)
                line.fail(std::string(what) + " is given twice (first on line " + std::to_string(seen) + ")");
            seen = number;
        };
        if (word == "display") {
            once(displayLine, "display");
            script.display.width = static_cast<int>(line.count("a width in pixels", 1, 16384));
            script.display.height = static_cast<int>(line.count("a height in pixels", 1, 16384));
            script.display.refreshHz = static_cast<int>(line.count("a refresh rate in Hz", 1, 1000));
            line.finish();
        } else if (word == "seed") {
            once(seedLine, "seed");
            script.seed = static_cast<std::uint32_t>(line.count("a seed", 0, 4294967295));
            line.finish();
        } else if (word == "end") {
            once(endLine, "end");
            line.expect("at", "\"at frame N\" after \"end\"");
            line.expect("frame", "\"frame N\" after \"end at\"");
            script.endFrame = line.count("a frame number", 1, maxFrame);
            line.finish();
        } else if (word == "at") {
            Instruction instruction;
            instruction.line = number;
            if (!line.done() && line.peek() == "frame") {
                line.take("frame");
                instruction.when = Instruction::atFrame;
                instruction.frame = line.count("a frame number", 0, maxFrame);
                if (!line.done() && line.peek() == "pump") {
                    line.take("pump");
                    instruction.pump = static_cast<int>(line.count("a pump number", 1, 1'000'000));
                }
            } else {
                instruction.when = Instruction::atTime;
                instruction.seconds = line.seconds();
                line.expect("s", "\"s\" after the time");
            }
            instruction.action = parseAction(line);
            if (instruction.when == Instruction::atFrame && instruction.frame == 0 &&
                instruction.action.kind == Action::capture)
                line.fail("nothing is presented at frame 0; the first frame to capture is 1");
            script.instructions.push_back(instruction);
        } else if (word == "every") {
            Instruction instruction;
            instruction.line = number;
            instruction.when = Instruction::everyFrames;
            instruction.frame = line.count("a frame count", 1, maxFrame);
            line.expect("frames", "\"frames\" after the count");
            instruction.action = parseAction(line);
            script.instructions.push_back(instruction);
        } else {
            line.fail("unknown instruction \"" + word + "\"; use display, seed, at, every or end");
        }
    }
    return script;
}

RunScript loadRunScript(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw ScriptError(path + ": the run script cannot be read");
    return parseRunScript(file, path);
}

std::string capturePath(const std::string& pattern, std::int64_t frame)
{
    std::string out;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != '%') {
            out += pattern[i];
            continue;
        }
        if (i + 1 < pattern.size() && pattern[i + 1] == '%') {
            out += '%';
            ++i;
            continue;
        }
        std::size_t j = i + 1;
        const bool zeros = j < pattern.size() && pattern[j] == '0';
        std::size_t width = 0;
        while (j < pattern.size() && pattern[j] >= '0' && pattern[j] <= '9')
            width = width * 10 + static_cast<std::size_t>(pattern[j++] - '0');
        std::string digits = std::to_string(frame);
        if (digits.size() < width)
            digits.insert(0, width - digits.size(), zeros ? '0' : ' ');
        out += digits;
        i = j; // the 'd'
    }
    return out;
}

} // namespace Lumidraft::run
