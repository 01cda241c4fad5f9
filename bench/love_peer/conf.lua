-- The peer workload's window: 1280 x 720, vsync off, no audio or physics.
function love.conf(t)
  t.window.width = 1280
  t.window.height = 720
  t.window.vsync = 0
  t.window.title = "peer bench"
  t.modules.audio = false
  t.modules.sound = false
  t.modules.physics = false
  t.modules.joystick = false
end
