-- First process: a new session with quendral on a mono track, fed by the test signal;
-- sets quendral's parameters from the arguments, exports, saves.
--   ardour7-lua create_and_export.lua SESSION_DIR OUTPUT_DIR [INDEX=VALUE]...
local dir, out = arg[1], arg[2]
local kQuendralId = "1903842411"  -- the plug-in's unique ID, "kTzq", as Ardour lists it
local kPreset = "8f3e6a52-41d9-4c0b-b7a4-2d9e5f1c6a83"  -- quendral test float.preset
local kLength = 88200

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

local export = s:simple_export ()
assert (export:set_preset (kPreset), "no export preset")
export:set_folder (out)
export:set_range (0, kLength)
assert (export:run_export (), "export failed")
s:save_state ("", false, false, false, false, false)
close_session ()
