-- First process: a new session with quendral's LV2 build on a mono track, fed by the test
-- signal; sets its control ports (in their own units) from the arguments, prints the
-- latency Ardour sees, exports and saves.
--   ardour7-lua create_and_export_lv2.lua SESSION_DIR OUTPUT_DIR SHARED_SCRIPTS URI [INDEX=VALUE]...
-- SHARED_SCRIPTS holds export_session.lua (the VST2 suite's, shared by both builds).
local dir, out, shared, uri = arg[1], arg[2], arg[3], arg[4]
local export_session = dofile (shared .. "/export_session.lua")

AudioEngine:set_backend ("None (Dummy)", "", "")
local s = create_session (dir, "reload", 44100)
assert (s, "no session")
local track = s:new_audio_track (1, 2, nil, 1, "source", ARDOUR.PresentationInfo.max_order,
                                 ARDOUR.TrackMode.Normal, true):front ()
local signal = ARDOUR.LuaAPI.new_luaproc (s, "quendral test signal")
assert (not signal:isnil (), "no test signal")
assert (track:add_processor_by_index (signal, 0, nil, true) == 0)
local quendral = ARDOUR.LuaAPI.new_plugin (s, uri, ARDOUR.PluginType.LV2, "")
assert (not quendral:isnil (), "Ardour does not list " .. uri)
assert (track:add_processor_by_index (quendral, 1, nil, true) == 0)
for i = 5, #arg do
	local index, value = arg[i]:match ("^(%d+)=(-?[%d.]+)$")
	assert (ARDOUR.LuaAPI.set_processor_param (quendral, tonumber (index), tonumber (value)))
end
-- Long enough for any glide to the new angle to finish while the transport stands.
ARDOUR.LuaAPI.usleep (1000000)
print ("quendral latency " .. quendral:signal_latency ())

export_session (s, out)
s:save_state ("", false, false, false, false, false)
close_session ()
