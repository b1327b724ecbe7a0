-- Makes a session and asks Ardour for a plug-in by format and identifier, as inserting it on
-- a track does; prints whether Ardour found it among the plug-ins it knows.
--   ardour7-lua find_plugin.lua SESSION_DIR LXVST|VST3|LV2 ID
local dir, kind, id = arg[1], arg[2], arg[3]
local types = { LXVST = ARDOUR.PluginType.LXVST, VST3 = ARDOUR.PluginType.VST3,
                LV2 = ARDOUR.PluginType.LV2 }
assert (types[kind], "unknown plug-in type " .. tostring (kind))
AudioEngine:set_backend ("None (Dummy)", "", "")
local s = create_session (dir, "probe", 44100)
assert (s, "no session")
local plugin = ARDOUR.LuaAPI.new_plugin (s, id, types[kind], "")
if plugin:isnil () then
	print ("plug-in not found")
else
	print ("plug-in found: " .. plugin:name ())
end
close_session ()
