-- Drives Tamboro inside a headless Ardour session (luasession, Dummy audio
-- backend): reports what the host sees of the plug-in, teaches it the three
-- drums in template mode, then plays the drum loop in detection mode, with
-- every parameter set through the host, and writes the MIDI the plug-in sent.
--
-- Environment: TAMBORO_ID (unique ID, decimal), TAMBORO_DEMO (folder with
-- kick.wav, snare.wav, hihat.wav, loop.wav), TAMBORO_HIGH, TAMBORO_LOW
-- (threshold values 0..1), TAMBORO_SESSION (new session folder),
-- TAMBORO_OUT (folder for the results: schedule.txt, what the plug-in was
-- given and when, for a reference host to replay; events.txt, what it sent).
-- Sample positions count every sample the plug-in processed, stopped
-- transport included.
--
-- With TAMBORO_PLUGIN=transcriber it drives Tamboro Transcriber instead:
-- arms each drum's learn parameter and plays that drum until the plug-in
-- has learned it, plays the loop (events.txt), saves the session, opens it
-- again and plays the loop once more (events_reopened.txt); positions there
-- count from the start of the loop.
io.stdout:setvbuf ("no")
local TRANSCRIBER = os.getenv ("TAMBORO_PLUGIN") == "transcriber"

local function env (name)
	return os.getenv (name) or error ("environment variable " .. name .. " not set")
end

local HIGH, LOW, DRUM, FUNCTION, TEMPLATE = 0, 1, 2, 3, 4
-- The player's shared memory (tamboro_player.lua).
local STATE, FRAMES, PROCESSED, STARTED_AT, STOPPED_AT, PLAYER_HEADER = 0, 1, 2, 3, 4, 5
local IDLE, ARMED, DONE = 0, 1, 3

-- A 16-bit stereo WAV file as two arrays of floats (sample / 32768).
local function read_wav (path)
	local f = assert (io.open (path, "rb"))
	local bytes = f:read ("a")
	f:close ()
	assert (bytes:sub (1, 4) == "RIFF" and bytes:sub (9, 12) == "WAVE", path .. ": not a WAV file")
	local pos = 13
	local channels, bits, data, size
	while pos < #bytes do
		local id, length = bytes:sub (pos, pos + 3), string.unpack ("<I4", bytes, pos + 4)
		if id == "fmt " then
			channels, bits = string.unpack ("<I2", bytes, pos + 10), string.unpack ("<I2", bytes, pos + 22)
		elseif id == "data" then
			data, size = pos + 8, length
		end
		pos = pos + 8 + length + length % 2
	end
	assert (channels == 2 and bits == 16 and data, path .. ": expected 16-bit stereo")
	local left, right = {}, {}
	for i = 0, size // 4 - 1 do
		local l, r = string.unpack ("<i2i2", bytes, data + 4 * i)
		left[i + 1], right[i + 1] = l / 32768, r / 32768
	end
	return left, right
end

local function wait_until (condition, what)
	for _ = 1, 6000 do
		if condition () then return end
		sleep (0.01)
	end
	error ("timed out waiting for " .. what)
end

ARDOUR.config ():set_hide_dummy_backend (false)
assert (AudioEngine:set_backend ("None (Dummy)", "", ""), "no Dummy backend")
assert (create_session (env ("TAMBORO_SESSION"), "tamboro", 44100), "cannot create a session")

local bus = Session:new_audio_route (2, 2, nil, 1, "Drums", ARDOUR.PresentationInfo.Flag.AudioBus, -1):front ()
-- With strict I/O the insert offers no MIDI output and the recorder gets nothing.
bus:set_strict_io (false)
local player = ARDOUR.LuaAPI.new_luaproc (Session, "Tamboro Test Player")
local plugin = ARDOUR.LuaAPI.new_plugin (Session, env ("TAMBORO_ID"), ARDOUR.PluginType.LXVST, "")
local recorder = ARDOUR.LuaAPI.new_luaproc (Session, "Tamboro Test Recorder")
assert (not player:isnil () and not recorder:isnil (), "test DSP scripts not found")
if plugin:isnil () then
	print ("seen loaded=no")
	close_session ()
	return
end
-- Added while the bus is off, so that the player and the plug-in start
-- processing in the same cycle and the player's count is the plug-in's.
bus:set_active (false, nil)
bus:add_processor_by_index (player, 0, nil, true)
bus:add_processor_by_index (plugin, 1, nil, true)
bus:add_processor_by_index (recorder, 2, nil, true)
bus:set_active (true, nil)

-- What the host reports about the plug-in.
local insert = plugin:to_insert ()
local p = insert:plugin (0)
print ("seen loaded=yes")
print ("seen name=" .. p:name ())
print ("seen maker=" .. p:maker ())
print ("seen unique_id=" .. p:unique_id ())
print ("seen latency=" .. insert:signal_latency ())
print ("seen audio_in=" .. insert:input_streams ():n_audio ())
print ("seen audio_out=" .. insert:output_streams ():n_audio ())
print ("seen midi_out=" .. insert:output_streams ():n_midi ())
print ("seen parameters=" .. p:parameter_count ())
for i = 0, p:parameter_count () - 1 do
	local _, args = p:get_parameter_descriptor (i, ARDOUR.ParameterDescriptor ())
	print ("seen parameter" .. i .. "=" .. args[2].label)
end

local out = env ("TAMBORO_OUT")
local schedule = assert (io.open (out .. "/schedule.txt", "w"))
local event_file = assert (io.open (out .. "/events.txt", "w"))

local function set (index, value)
	assert (ARDOUR.LuaAPI.set_processor_param (plugin, index, value), "cannot set parameter " .. index)
	schedule:write (string.format ("set %d %.9g\n", index, value))
	print (string.format ("seen set%d=%.9g", index, value))
	print (string.format ("seen get%d=%.9g", index, ARDOUR.LuaAPI.get_plugin_insert_param (insert, index)))
end

local player_memory = player:to_insert ():plugin (0):to_luaproc ():shmem ()
local recorder_memory = recorder:to_insert ():plugin (0):to_luaproc ():shmem ()

-- Plays one file from transport position 0, rolls a second longer so that
-- the last note-offs arrive, and stops. Event positions count from the
-- start of the file when `from_start`.
local function play (path, from_start)
	local left, right = read_wav (path)
	local frames = #left
	local samples = player_memory:to_float (PLAYER_HEADER):array ()
	for i = 1, frames do
		samples[i], samples[frames + i] = left[i], right[i]
	end
	recorder_memory:atomic_set_int (0, 0)
	Session:goto_start (false)
	wait_until (function () return Session:transport_sample () == 0 end, "locate")
	player_memory:atomic_set_int (FRAMES, frames)
	player_memory:atomic_set_int (STATE, ARMED)
	Session:request_roll (ARDOUR.TransportRequestSource.TRS_UI)
	wait_until (function () return player_memory:atomic_get_int (STATE) == DONE end, "playback of " .. path)
	local stop_at = Session:transport_sample () + 44100
	wait_until (function () return Session:transport_sample () >= stop_at end, "the tail")
	Session:request_stop (false, false, ARDOUR.TransportRequestSource.TRS_UI)
	wait_until (function () return player_memory:atomic_get_int (STATE) == IDLE end, "stop")
	local started = player_memory:atomic_get_int (STARTED_AT)
	schedule:write (string.format ("play %s %d %d\n", path, started, player_memory:atomic_get_int (STOPPED_AT)))
	local store = recorder_memory:to_int (1):array ()
	for n = 0, recorder_memory:atomic_get_int (0) - 1 do
		event_file:write (string.format ("%d %d %d %d\n", (from_start and 0 or started) + store[4 * n + 1], store[4 * n + 2],
		                                 store[4 * n + 3], store[4 * n + 4]))
	end
	return recorder_memory:atomic_get_int (0)
end

local demo = env ("TAMBORO_DEMO")

-- Tamboro Transcriber: each learn parameter arms its drum and reads 0 again
-- once the plug-in has learned from the hit it heard.
local function teach_and_reopen ()
	for slot, drum in ipairs ({ "kick", "snare", "hihat" }) do
		local learn = 2 + slot
		set (learn, 1.0)
		play (demo .. "/" .. drum .. ".wav")
		wait_until (function () return ARDOUR.LuaAPI.get_plugin_insert_param (insert, learn) == 0 end,
		            "learning " .. drum)
	end
	-- Only the loop's notes are compared.
	event_file:close ()
	event_file = assert (io.open (out .. "/events.txt", "w"))
	print ("seen events=" .. play (demo .. "/loop.wav", true))
	event_file:close ()
	Session:save_state ("")
	close_session ()
	assert (load_session (env ("TAMBORO_SESSION"), "tamboro"), "cannot open the saved session")
	local route = Session:route_by_name ("Drums")
	player_memory = route:nth_plugin (0):to_insert ():plugin (0):to_luaproc ():shmem ()
	plugin = route:nth_plugin (1)
	recorder_memory = route:nth_plugin (2):to_insert ():plugin (0):to_luaproc ():shmem ()
	print ("seen reopened=" .. plugin:to_insert ():plugin (0):name ())
	event_file = assert (io.open (out .. "/events_reopened.txt", "w"))
	print ("seen events_reopened=" .. play (demo .. "/loop.wav", true))
end

if TRANSCRIBER then
	teach_and_reopen ()
else
	set (HIGH, tonumber (env ("TAMBORO_HIGH")))
	set (LOW, tonumber (env ("TAMBORO_LOW")))
	set (FUNCTION, 0.0)
	for slot, drum in ipairs ({ "kick", "snare", "hihat" }) do
		set (TEMPLATE, (slot - 1) / 2)
		play (demo .. "/" .. drum .. ".wav")
	end
	set (FUNCTION, 1.0)
	set (DRUM, 0.0)
	print ("seen events=" .. play (demo .. "/loop.wav"))
end
schedule:close ()
event_file:close ()
close_session ()
