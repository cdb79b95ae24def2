// Operations on the loggers of the open group: status readout of one logger,
// programming, reset, synchronisation, timer readout and reading the group.
#pragma once

#include "radio/radio_link.h"

#include <string>
#include <vector>

namespace pelquor {

// Status readout of one logger (family chosen by the caller: the panel asks
// it with the "Corr"/"Vellmar" dialog). Lines go to the status hook and are
// returned. A non-numeric ID, or no interface, does nothing.
std::vector<std::string> read_logger_config(RadioContext& ctx, bool family_corr_chosen,
                                            const std::string& id_text);
std::vector<std::string> read_logger_status(RadioContext& ctx, int32_t id);

bool program_logger(RadioContext& ctx, int32_t id, const ProgramParams& params);
// Programs loggers 1..count; stops at the first that does not answer.
void prog_corr_log_set(RadioContext& ctx);
bool sync_loggers(RadioContext& ctx, int count, const std::array<int32_t, 8>& ids, uint32_t time);
bool sync_corr_log_set(RadioContext& ctx);
bool read_logger_timers(RadioContext& ctx, int count, const std::array<int32_t, 8>& ids);
bool read_timer_corr_log_set(RadioContext& ctx);

// The ribbon's "program": asks 423 first; true when every logger was
// programmed (and, when measuring, synchronised).
bool logger_programmieren(RadioContext& ctx);
// The ribbon's "reset": programs with measuring off, no synchronisation.
bool reset_loggers(RadioContext& ctx);
// The ribbon's "read": timers (night mode), all blocks, save and reload.
bool read_group(RadioContext& ctx);

// ID slots of the group command: logger k's ID for k <= count, else 0.
std::array<int32_t, 8> group_id_slots(const GroupState& g);

} // namespace pelquor
