-- First process: a new session with quendral of one format on a mono track (1 input,
-- 2 outputs), fed by the test signal; sets quendral's parameters from the arguments,
-- prints what Ardour made of the plug-in, exports, saves.
--   ardour7-lua create_and_export.lua SHARED_DIR SESSION_DIR OUTPUT_DIR vst3|lxvst ID [INDEX=VALUE]...
-- SHARED_DIR holds export_session.lua (tests/plugin/ardour).
local scripts, dir, out, format, id = arg[1], arg[2], arg[3], arg[4], arg[5]
local export_session = dofile (scripts .. "/export_session.lua")
local kinds = { vst3 = ARDOUR.PluginType.VST3, lxvst = ARDOUR.PluginType.LXVST }
assert (kinds[format], "unknown plug-in format " .. tostring (format))

AudioEngine:set_backend ("None (Dummy)", "", "")
local s = create_session (dir, "formats", 44100)
assert (s, "no session")
local track = s:new_audio_track (1, 2, nil, 1, "source", ARDOUR.PresentationInfo.max_order,
                                 ARDOUR.TrackMode.Normal, true):front ()
local signal = ARDOUR.LuaAPI.new_luaproc (s, "quendral test signal")
assert (not signal:isnil (), "no test signal")
assert (track:add_processor_by_index (signal, 0, nil, true) == 0)
local quendral = ARDOUR.LuaAPI.new_plugin (s, id, kinds[format], "")
assert (not quendral:isnil (), "Ardour does not list quendral as " .. format)
assert (track:add_processor_by_index (quendral, 1, nil, true) == 0)
for i = 6, #arg do
	local index, value = arg[i]:match ("^(%d+)=([%d.]+)$")
	assert (ARDOUR.LuaAPI.set_processor_param (quendral, tonumber (index), tonumber (value)))
end
local insert = quendral:to_insert ()
local plugin = insert:plugin (0)
print ("quendral name: " .. plugin:name ())
print ("quendral inputs: " .. insert:natural_input_streams ():n_audio ())
print ("quendral outputs: " .. insert:natural_output_streams ():n_audio ())
-- The latency Ardour takes from the plug-in (and compensates for the track).
print ("quendral latency: " .. quendral:signal_latency ())
print ("quendral first parameter: " .. plugin:parameter_label (0))
-- Long enough for any glide to the new angle to finish while the transport stands.
ARDOUR.LuaAPI.usleep (1000000)

export_session (s, out)
s:save_state ("", false, false, false, false, false)
close_session ()
