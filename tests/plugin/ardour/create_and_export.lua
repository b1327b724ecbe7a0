-- First process: a new session with quendral on a mono track, fed by the test signal;
-- sets quendral's parameters from the arguments, exports, saves.
--   ardour7-lua create_and_export.lua SESSION_DIR OUTPUT_DIR [INDEX=VALUE]...
local dir, out = arg[1], arg[2]
local kQuendralId = "1903842411"  -- the plug-in's unique ID, "kTzq", as Ardour lists it
local here = debug.getinfo (1, "S").source:match ("^@(.*/)") or "./"
local export_session = dofile (here .. "export_session.lua")

AudioEngine:set_backend ("None (Dummy)", "", "")
local s = create_session (dir, "reload", 44100)
assert (s, "no session")
local track = s:new_audio_track (1, 2, nil, 1, "source", ARDOUR.PresentationInfo.max_order,
                                 ARDOUR.TrackMode.Normal, true):front ()
local signal = ARDOUR.LuaAPI.new_luaproc (s, "quendral test signal")
assert (not signal:isnil (), "no test signal")
assert (track:add_processor_by_index (signal, 0, nil, true) == 0)
local quendral = ARDOUR.LuaAPI.new_plugin (s, kQuendralId, ARDOUR.PluginType.LXVST, "")
assert (not quendral:isnil (), "Ardour does not list quendral")
assert (track:add_processor_by_index (quendral, 1, nil, true) == 0)
for i = 3, #arg do
	local index, value = arg[i]:match ("^(%d+)=([%d.]+)$")
	assert (ARDOUR.LuaAPI.set_processor_param (quendral, tonumber (index), tonumber (value)))
end
-- Long enough for any glide to the new angle to finish while the transport stands.
ARDOUR.LuaAPI.usleep (1000000)

export_session (s, out)
s:save_state ("", false, false, false, false, false)
close_session ()
