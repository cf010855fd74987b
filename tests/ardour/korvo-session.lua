-- Drives Ardour headless (ardour7-lua) for run-ardour-test.sh: renders a clip through
-- Korvo-EQ on an audio bus and exports Ardour's master output as 32-bit float WAV.
--
--   ardour7-lua korvo-session.lua create SESSION_DIR SNAPSHOT CLIP.raw EXPORT_DIR EXPORT_NAME SETTINGS
--   ardour7-lua korvo-session.lua reopen SESSION_DIR SNAPSHOT CLIP.raw EXPORT_DIR EXPORT_NAME SETTINGS SAVE_AS
--
-- create: a new 48 kHz session on the Dummy backend, a stereo bus "Korvo" holding the
--         clip player and Korvo-EQ, the parameters set from SETTINGS ("2=0.045,3=0.8"; the
--         others 0.5), the export, and the session saved.
-- reopen: loads snapshot SNAPSHOT of the saved session, prints the parameter values the
--         plug-in came back with, requires them to equal SETTINGS, renders again, and saves
--         the state Ardour now reads from the plug-in as snapshot SAVE_AS.
-- CLIP.raw holds interleaved stereo float32 samples. Any failure raises a Lua error,
-- which makes ardour7-lua print "Error: ..." and exit non-zero.

local mode, session_dir, snapshot, clip_path, export_dir, export_name, settings, save_as =
	arg[1], arg[2], arg[3], arg[4], arg[5], arg[6], arg[7], arg[8]

local RATE = 48000
-- Ardour 7.3's export, run from ardour7-lua, now and then corrupts the heap near its end
-- (seen with no plug-in and no player at all); the fewer process cycles an export
-- takes, the rarer that is, so the engine runs large blocks. The result does not
-- depend on the block size: the plug-in and the player work sample by sample.
local BLOCK = 8192
local CLIP_START = RATE -- the clip plays from 1 s on the timeline; the export covers exactly it
local BUS = "Korvo"
local PLAYER = "Korvo Test Player"
local EFFECT = "Korvo-EQ"
-- The plug-in's format, from KORVO_PLUGIN_FORMAT: the Linux VST (lxvst, the default), VST3 or LV2.
local FORMATS = {
	lxvst = { type = ARDOUR.PluginType.LXVST, name = "Linux VST", path = "LXVST_PATH" },
	vst3 = { type = ARDOUR.PluginType.VST3, name = "VST3 plug-in", path = "VST3_PATH", plain = true },
	lv2 = { type = ARDOUR.PluginType.LV2, name = "LV2 plug-in", path = "LV2_PATH", plain = true, exact = true,
		user_preset = true },
}
local FORMAT = FORMATS[os.getenv ("KORVO_PLUGIN_FORMAT") or "lxvst"]
local NUM_PARAMS = 10
local PRESET = "c2d7e3f4-8a19-4b6e-b5d0-7e3f9a1c2b48" -- korvo-float-wav.preset

local function fail (msg) error (msg, 0) end
local function say (...) print ("[ardour] " .. string.format (...)); io.stdout:flush () end
local function as_float (x) return (string.unpack ("<f", string.pack ("<f", x))) end
local function wait_cycles (n)
	if not ARDOUR.LuaAPI.wait_for_process_callback (n, 10000) then
		fail ("Ardour's engine stopped running process cycles")
	end
end

if not FORMAT then fail ("KORVO_PLUGIN_FORMAT must be lxvst, vst3 or lv2") end
if mode ~= "create" and mode ~= "reopen" then
	fail ("usage: korvo-session.lua create|reopen SESSION_DIR SNAPSHOT CLIP.raw EXPORT_DIR EXPORT_NAME SETTINGS [SAVE_AS]")
end
if not (settings and (mode == "create" or save_as)) then
	fail ("korvo-session.lua: missing arguments")
end

-- The wanted value of every parameter, as the float the plug-in stores (lxvst), or as
-- the value in its unit that Ardour shows and sets (vst3 and lv2, which leave the
-- parameters not in SETTINGS at their defaults); `given` marks those in SETTINGS.
local wanted, given = {}, {}
for i = 0, NUM_PARAMS - 1 do wanted[i] = as_float (0.5) end
for index, value in settings:gmatch ("(%d+)=([%d.eE+-]+)") do
	wanted[tonumber (index)] = as_float (tonumber (value))
	given[tonumber (index)] = true
end

-- The engine must not flush denormals to zero (Ardour sets FTZ/DAZ on its threads by
-- default): the plug-in does so itself, and must match a plain host without help.
ARDOUR.config ():set_denormal_model (ARDOUR.DenormalModel.DenormalNone)

local backend = AudioEngine:set_backend ("None (Dummy)", "", "")
if not backend then
	fail ("Ardour's Dummy backend is not available")
end
if backend:set_buffer_size (BLOCK) ~= 0 then
	fail (string.format ("the Dummy backend refused a block of %d samples", BLOCK))
end

---------------------------------------------------------------------------------------
-- session

if mode == "create" then
	create_session (session_dir, snapshot, RATE)
else
	load_session (session_dir, snapshot)
end
if not Session then
	fail (string.format ("could not %s the session %s (%s)", mode == "create" and "create" or "open", session_dir, snapshot))
end
if Session:nominal_sample_rate () ~= RATE or Session:sample_rate () ~= RATE then
	fail (string.format ("the session runs at %d Hz (nominal %d), not %d", Session:sample_rate (), Session:nominal_sample_rate (), RATE))
end
if Session:get_block_size () ~= BLOCK then
	fail (string.format ("the engine runs blocks of %d samples, not %d", Session:get_block_size (), BLOCK))
end
if ARDOUR.config ():get_denormal_model () ~= ARDOUR.DenormalModel.DenormalNone then
	fail ("could not turn off Ardour's denormal flushing")
end

local function processor_named (route, name)
	local i = 0
	while true do
		local p = route:nth_processor (i)
		if p:isnil () then return nil end
		if p:display_name () == name then return p end
		i = i + 1
	end
end

local function processor_list (route)
	local names = {}
	local i = 0
	while true do
		local p = route:nth_processor (i)
		if p:isnil () then break end
		local name = p:display_name ():gsub ("%-0x%x+$", "") -- the latency aligner carries an address
		names[#names + 1] = name .. (p:active () and "" or " (inactive)")
		i = i + 1
	end
	return table.concat (names, ", ")
end

local function parameter_control (effect, index)
	return effect:to_insert ():to_automatable ():automation_control (
		Evoral.Parameter (ARDOUR.AutomationType.PluginAutomation, 0, index), false)
end

-- Fills the player's memory with the clip. The transport is stopped, so the player
-- reads only the frame count, which is cleared first and written last.
local function load_clip (player)
	local f = io.open (clip_path, "rb")
	if not f then fail ("cannot read " .. clip_path) end
	local data = f:read ("a")
	f:close ()
	local frames = #data // 8
	local shm = player:to_insert ():plugin (0):to_luaproc ():shmem ()
	local capacity = shm:atomic_get_int (2)
	if frames == 0 or frames > capacity then
		fail (string.format ("the clip has %d frames; the player holds 1 to %d", frames, capacity))
	end
	shm:atomic_set_int (0, 0)
	local left = shm:to_float (3):array ()
	local right = shm:to_float (3 + capacity):array ()
	local pos = 1
	for i = 1, frames do
		left[i], right[i], pos = string.unpack ("<ff", data, pos)
	end
	shm:atomic_set_int (1, CLIP_START)
	shm:atomic_set_int (0, frames)
	return frames
end

local bus, player, effect, frames

if mode == "create" then
	bus = Session:new_audio_route (2, 2, nil, 1, BUS, ARDOUR.PresentationInfo.Flag.AudioBus, -1):front ()
	if bus:isnil () then fail ("could not add the stereo bus") end
	bus:input ():disconnect_all (nil) -- no capture ports: the player is the only source

	player = ARDOUR.LuaAPI.new_luaproc (Session, PLAYER)
	if player:isnil () then fail ("Ardour has no Lua DSP script named '" .. PLAYER .. "'") end
	frames = load_clip (player) -- before the player joins the route, so nothing reads it meanwhile
	if bus:add_processor_by_index (player, 0, nil, true) ~= 0 then fail ("could not add the player") end

	effect = ARDOUR.LuaAPI.new_plugin (Session, EFFECT, FORMAT.type, "")
	if effect:isnil () then
		fail ("Ardour does not list the " .. FORMAT.name .. " '" .. EFFECT .. "' (not under " .. FORMAT.path .. ", or not in the scan cache)")
	end
	if bus:add_processor_by_index (effect, 1, nil, true) ~= 0 then fail ("could not add " .. EFFECT) end
	for i = 0, NUM_PARAMS - 1 do
		if (FORMAT.plain and not given[i]) then
		elseif not ARDOUR.LuaAPI.set_processor_param (effect, i, wanted[i]) then
			fail (string.format ("could not set parameter %d", i))
		end
	end
	-- An LV2 plug-in's values saved as a user's preset (Ardour writes it as a bundle
	-- of its own under ~/.lv2), changed to each knob's lowest, and loaded back.
	if FORMAT.user_preset then
		local plugin = effect:to_insert ():plugin (0)
		local preset = plugin:save_preset ("Korvo test")
		if not preset.valid then fail ("Ardour could not save a preset of " .. EFFECT) end
		for i = 0, NUM_PARAMS - 1 do
			ARDOUR.LuaAPI.set_processor_param (effect, i, parameter_control (effect, i):lower ())
		end
		wait_cycles (2)
		if not plugin:load_preset (preset) then fail ("Ardour could not load the preset it saved") end
		say ("saved the user's preset '%s' (%s), changed every value and loaded it again", preset.label, preset.uri)
	end
else
	bus = Session:route_by_name (BUS)
	if bus:isnil () then fail ("the reopened session has no bus '" .. BUS .. "'") end
	player = processor_named (bus, PLAYER)
	effect = processor_named (bus, EFFECT)
	if not player then fail ("the reopened session lost the player") end
	if not effect then fail ("the reopened session lost " .. EFFECT .. ": " .. processor_list (bus)) end
	-- the player's memory is not part of the session: load the clip again
	frames = load_clip (player)
end

---------------------------------------------------------------------------------------
-- a neutral signal path: bus and master at unity, no panning, nothing latent

local master = Session:master_out ()
for _, route in ipairs ({ bus, master }) do
	route:gain_control ():set_value (1, PBD.GroupControlDisposition.NoGroup)
	route:trim_control ():set_value (1, PBD.GroupControlDisposition.NoGroup)
	-- a bypassed panner hands channel n to output n unchanged
	if not route:panner_shell ():isnil () then route:panner_shell ():set_bypassed (true) end
end
wait_cycles (2)
for _, route in ipairs ({ bus, master }) do
	local gain, trim = route:gain_control ():get_value (), route:trim_control ():get_value ()
	if gain ~= 1 or trim ~= 1 then
		fail (string.format ("%s: gain %g, trim %g, not unity", route:name (), gain, trim))
	end
	if route:phase_control ():inverted (0) or route:phase_control ():inverted (1) then
		fail (route:name () .. " inverts polarity")
	end
	if not route:panner_shell ():isnil () and not route:panner_shell ():bypassed () then
		fail (route:name () .. ": the panner is not bypassed")
	end
	if route:signal_latency () ~= 0 then
		fail (string.format ("%s: latency %d samples", route:name (), route:signal_latency ()))
	end
end
if not (player:active () and effect:active ()) then
	fail ("inactive processors on the bus: " .. processor_list (bus))
end
say ("%s on the Dummy backend, %d Hz, block %d, denormals kept", mode == "create" and "new session" or "reopened session",
	Session:sample_rate (), Session:get_block_size ())
say ("bus '%s': %s", BUS, processor_list (bus))

---------------------------------------------------------------------------------------
-- the plug-in's parameters

-- A VST3 plug-in's values are shown in their units, converted from the stored value
-- and back; the stored values themselves are checked in the saved state. An LV2
-- plug-in's are its control ports' own values, exactly as set.
local function matches (i, value)
	if FORMAT.plain and not given[i] then return true end
	if FORMAT.plain and not FORMAT.exact then
		return math.abs (value - wanted[i]) <= 1e-5 * math.max (1, math.abs (wanted[i]))
	end
	return value == wanted[i]
end
local mismatched = {}
for i = 0, NUM_PARAMS - 1 do
	local control = parameter_control (effect, i)
	local value = control:get_value ()
	local expected = (FORMAT.plain and not given[i]) and "" or string.format ("  (expected %.9g)", wanted[i])
	say ("parameter %d %-8s = %.9g%s", i, control:name (), value, matches (i, value) and "" or expected)
	if not matches (i, value) then mismatched[#mismatched + 1] = tostring (i) end
end
if #mismatched > 0 then
	fail ("parameters " .. table.concat (mismatched, ", ") .. " differ from the settings")
end

---------------------------------------------------------------------------------------
-- export the master output over the clip, then save

local export = Session:simple_export ()
export:set_folder (export_dir)
export:set_name (export_name)
export:set_range (CLIP_START, CLIP_START + frames)
if not export:set_preset (PRESET) then
	fail ("Ardour did not load the export preset " .. PRESET .. " (korvo-float-wav.preset)")
end
if not export:run_export () then
	fail ("the export failed")
end
say ("exported %d frames to %s/%s.wav", frames, export_dir, export_name)

local status
if mode == "create" then
	status = Session:save_state ("", false, false, false, false, false)
else
	status = Session:save_state (save_as, false, false, false, false, false)
end
if status ~= 0 then fail ("saving the session failed (" .. tostring (status) .. ")") end
say ("saved snapshot '%s'", mode == "create" and snapshot or save_as)

close_session ()
say ("session closed")
