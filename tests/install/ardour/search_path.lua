-- Prints the plug-in search path Ardour uses for one format, as its configuration holds it
-- (its built-in default unless the user's configuration sets another).
--   ardour7-lua search_path.lua lxvst
local getters = {
	lxvst = function () return ARDOUR.config ():get_plugin_path_lxvst () end,
	vst3 = function () return ARDOUR.config ():get_plugin_path_vst3 () end,
}
local get = getters[arg[1]]
assert (get, "no search path getter for " .. tostring (arg[1]))
print ("search path: " .. get ())
