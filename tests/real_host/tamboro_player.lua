ardour {
	["type"]    = "dsp",
	name        = "Tamboro Test Player",
	category    = "Utility",
	license     = "MIT",
	author      = "Tamboro",
	description = [[Plays a stereo recording that the session script puts into shared memory, from transport position 0 while the transport rolls; silence otherwise. Counts every sample it processes, so that the session can tell a reference host exactly where each playback started and stopped.]]
}

-- Shared memory, in 32-bit words: [0] state, [1] frames N, [2] samples
-- processed since the route was activated, [3] that count at the first
-- sample of the latest playback, [4] that count when the transport stopped
-- after it, then N left and N right samples.
local IDLE, ARMED, PLAYING, DONE = 0, 1, 2, 3
local STATE, FRAMES, PROCESSED, STARTED_AT, STOPPED_AT = 0, 1, 2, 3, 4
local HEADER = 5
local CAPACITY = 44100 * 30  -- frames: thirty seconds at 44.1 kHz

function dsp_ioconfig ()
	return { { audio_in = 2, audio_out = 2 } }
end

function dsp_init (rate)
	self:shmem ():allocate (HEADER + 2 * CAPACITY)
	self:shmem ():clear ()
end

function dsp_runmap (bufs, in_map, out_map, n_samples, offset)
	local shm = self:shmem ()
	local state = shm:atomic_get_int (STATE)
	local was = state
	local frames = shm:atomic_get_int (FRAMES)
	local processed = shm:atomic_get_int (PROCESSED)
	local position = Session:transport_sample ()
	local rolling = Session:transport_rolling ()
	if state == ARMED and rolling then
		-- Stream sample k goes out at transport position k.
		shm:atomic_set_int (STARTED_AT, processed - position)
		state = PLAYING
	elseif (state == PLAYING or state == DONE) and not rolling then
		shm:atomic_set_int (STOPPED_AT, processed)
		state = IDLE
	end
	for c = 1, 2 do
		local b = out_map:get (ARDOUR.DataType ("audio"), c - 1)
		if b ~= ARDOUR.ChanMapping.Invalid then
			local out = bufs:get_audio (b):data (offset):array ()
			if state == PLAYING then
				local samples = shm:to_float (HEADER + (c - 1) * frames):array ()
				for i = 1, n_samples do
					local at = position + i - 1
					out[i] = at < frames and samples[at + 1] or 0
				end
			else
				for i = 1, n_samples do out[i] = 0 end
			end
		end
	end
	if state == PLAYING and position + n_samples >= frames then
		state = DONE
	end
	-- Written only on a change: the session script sets the state meanwhile.
	if state ~= was then shm:atomic_set_int (STATE, state) end
	shm:atomic_set_int (PROCESSED, processed + n_samples)
end
