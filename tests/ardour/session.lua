-- Sessions with quendral in Ardour, steps separated by "then" in one ardour7-lua process:
--   create SESSION_DIR OUTPUT_DIR LXVST|VST3|LV2 ID [PRESET=LABEL] [INDEX=VALUE]...
--   reload SESSION_DIR OUTPUT_DIR
-- Each exports two seconds to OUTPUT_DIR/export.wav and leaves OUTPUT_DIR/done; create also
-- writes what Ardour made of the plug-in to OUTPUT_DIR/plugin.txt.
local kExportPreset = "8f3e6a52-41d9-4c0b-b7a4-2d9e5f1c6a83"  -- quendral-test-float.preset
local kLength = 88200
local kOwnSet = 23  -- "own set": a preset holding the user's own response set turns it on
local kinds = { LXVST = ARDOUR.PluginType.LXVST, VST3 = ARDOUR.PluginType.VST3,
                LV2 = ARDOUR.PluginType.LV2 }

local function export_and_close (s, out, save)
	-- Long enough for any glide to the new angle to finish while the transport stands.
	ARDOUR.LuaAPI.usleep (1000000)
	local export = s:simple_export ()
	assert (export:set_preset (kExportPreset), "no export preset")
	export:set_folder (out)
	export:set_range (0, kLength)
	assert (export:run_export (), "export failed")
	if save then s:save_state ("", false, false, false, false, false) end
	close_session ()
	io.open (out .. "/done", "w"):close ()
end

local function load_preset (quendral, label)
	local plugin = quendral:to_insert ():plugin (0)
	local preset = plugin:preset_by_label (label)
	assert (preset and preset.valid, "Ardour lists no preset " .. label)
	assert (plugin:load_preset (preset), "Ardour did not load the preset " .. label)
	-- Ardour hands a preset's chunk to the plug-in later, from a thread of its own.
	for _ = 1, 40 do
		if ARDOUR.LuaAPI.get_processor_param (quendral, kOwnSet, true) == 1 then return end
		ARDOUR.LuaAPI.usleep (50000)
	end
	error ("the preset " .. label .. " did not switch the own set on")
end

local function create (dir, out, kind, id, settings)
	assert (kinds[kind], "unknown plug-in type " .. tostring (kind))
	local s = create_session (dir, "quendral", 44100)
	assert (s, "no session")
	local track = s:new_audio_track (1, 2, nil, 1, "source", ARDOUR.PresentationInfo.max_order,
	                                 ARDOUR.TrackMode.Normal, true):front ()
	local signal = ARDOUR.LuaAPI.new_luaproc (s, "quendral test signal")
	assert (not signal:isnil (), "no test signal")
	assert (track:add_processor_by_index (signal, 0, nil, true) == 0)
	local quendral = ARDOUR.LuaAPI.new_plugin (s, id, kinds[kind], "")
	assert (not quendral:isnil (), "Ardour does not list " .. kind .. " " .. id)
	assert (track:add_processor_by_index (quendral, 1, nil, true) == 0)
	for _, setting in ipairs (settings) do
		local label = setting:match ("^PRESET=(.+)$")
		if label then
			load_preset (quendral, label)
		else
			local index, value = setting:match ("^(%d+)=(-?[%d.]+)$")
			assert (ARDOUR.LuaAPI.set_processor_param (quendral, tonumber (index), tonumber (value)))
		end
	end
	local insert = quendral:to_insert ()
	local facts = io.open (out .. "/plugin.txt", "w")
	facts:write ("inputs " .. insert:natural_input_streams ():n_audio () ..
	       ", outputs " .. insert:natural_output_streams ():n_audio () ..
	       -- the latency Ardour takes from the plug-in and compensates for on the track
	       ", latency " .. quendral:signal_latency () ..
	       ", first parameter " .. insert:plugin (0):parameter_label (0) .. "\n")
	facts:close ()
	export_and_close (s, out, true)
end

AudioEngine:set_backend ("None (Dummy)", "", "")
local step = {}
for i = 1, #arg + 1 do
	if i <= #arg and arg[i] ~= "then" then
		step[#step + 1] = arg[i]
	elseif #step > 0 then
		if step[1] == "create" then
			create (step[2], step[3], step[4], step[5], { table.unpack (step, 6) })
		elseif step[1] == "reload" then
			local s = load_session (step[2], "quendral")
			assert (s, "the session " .. step[2] .. " does not load")
			export_and_close (s, step[3], false)
		else
			error ("unknown step " .. step[1])
		end
		step = {}
	end
end
