-- First process: a new session with quendral on a mono track, fed by the test signal;
-- loads a user preset of quendral's into it (PRESET=LABEL, one of Ardour's own user presets
-- in its presets folder), sets quendral's parameters from the arguments, exports, saves.
--   ardour7-lua create_and_export.lua SESSION_DIR OUTPUT_DIR [PRESET=LABEL] [INDEX=VALUE]...
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
local kOwnSet = 23  -- "own set": a preset holding the user's own response set turns it on
for i = 3, #arg do
	local label = arg[i]:match ("^PRESET=(.+)$")
	if label then
		local plugin = quendral:to_insert ():plugin (0)
		local preset = plugin:preset_by_label (label)
		assert (preset and preset.valid, "Ardour lists no preset " .. label)
		assert (plugin:load_preset (preset), "Ardour did not load the preset " .. label)
		-- Ardour hands a preset's chunk to the plug-in later, from a thread of its own.
		for _ = 1, 40 do
			if ARDOUR.LuaAPI.get_processor_param (quendral, kOwnSet, true) == 1 then break end
			ARDOUR.LuaAPI.usleep (50000)
		end
		assert (ARDOUR.LuaAPI.get_processor_param (quendral, kOwnSet, true) == 1,
		        "the preset did not switch the own set on")
	else
		local index, value = arg[i]:match ("^(%d+)=([%d.]+)$")
		assert (ARDOUR.LuaAPI.set_processor_param (quendral, tonumber (index), tonumber (value)))
	end
end
-- Long enough for any glide to the new angle to finish while the transport stands.
ARDOUR.LuaAPI.usleep (1000000)

export_session (s, out)
s:save_state ("", false, false, false, false, false)
close_session ()
