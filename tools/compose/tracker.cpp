#include "tools/compose/tracker.h"

namespace compose {

Pattern makePattern(int rows, int channels)
{
    Pattern pattern;
    pattern.rows = rows;
    pattern.channels = channels;
    pattern.cells.assign(size_t(rows) * size_t(channels), Cell{});
    return pattern;
}

Cell& cellAt(Pattern& pattern, int row, int channel)
{
    return pattern.cells[size_t(row) * size_t(pattern.channels) + size_t(channel)];
}

const Cell& cellAt(const Pattern& pattern, int row, int channel)
{
    return pattern.cells[size_t(row) * size_t(pattern.channels) + size_t(channel)];
}

void placePhrase(Pattern& pattern, int channel, int row, const std::vector<NoteEvent>& events, int instrument,
                 int transpose)
{
    for (const NoteEvent& event : events) {
        int at = row + event.row;
        if (at < 0 || at >= pattern.rows)
            continue;
        Cell& cell = cellAt(pattern, at, channel);
        if (event.midi == REST) {
            cell.note = NOTE_OFF;
        } else {
            cell.note = uint8_t(event.midi + transpose);
            cell.instrument = uint8_t(instrument);
        }
    }
}

}  // namespace compose
