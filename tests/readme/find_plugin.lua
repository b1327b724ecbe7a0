-- Makes a session and asks Ardour for plug-ins by format and identifier, as inserting one on
-- a track does; prints, for each, whether Ardour found it among the plug-ins it knows.
--   ardour7-lua find_plugin.lua SESSION_DIR LXVST|VST3|LV2 ID [LXVST|VST3|LV2 ID]...
local types = { LXVST = ARDOUR.PluginType.LXVST, VST3 = ARDOUR.PluginType.VST3,
                LV2 = ARDOUR.PluginType.LV2 }
AudioEngine:set_backend ("None (Dummy)", "", "")
local s = create_session (arg[1], "probe", 44100)
assert (s, "no session")
for i = 2, #arg - 1, 2 do
	local kind, id = arg[i], arg[i + 1]
	assert (types[kind], "unknown plug-in type " .. tostring (kind))
	local plugin = ARDOUR.LuaAPI.new_plugin (s, id, types[kind], "")
	print (kind .. (plugin:isnil () and " not found" or " found: " .. plugin:name ()))
end
close_session ()
