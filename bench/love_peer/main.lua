-- The side-by-side workload for LOVE: the same scene as
-- bench/script_nodes/all.nut. BENCH_SPRITES textured 32 x 32 sprites (cells
-- of the 64 x 64 atlas given as atlas.tga) moved and bounced at the
-- 1280 x 720 edges by the script every frame through one SpriteBatch, and
-- 2,000 glyphs of text (four blocks of ten fifty-character lines) with
-- printf. Quits after BENCH_FRAMES frames. Seeded, so every run draws the
-- same frames.
local sprites = tonumber(os.getenv("BENCH_SPRITES") or "10000")
local frames = tonumber(os.getenv("BENCH_FRAMES") or "300")
local atlas, batch, quads, block
local x, y, vx, vy = {}, {}, {}, {}
local frame = 0

function love.load()
  love.math.setRandomSeed(1234)
  atlas = love.graphics.newImage("atlas.tga")
  atlas:setFilter("nearest", "nearest")
  quads = {}
  for i = 0, 3 do
    quads[i] = love.graphics.newQuad((i % 2) * 32, math.floor(i / 2) % 2 * 32, 32, 32, 64, 64)
  end
  batch = love.graphics.newSpriteBatch(atlas, sprites, "stream")
  for i = 1, sprites do
    x[i] = love.math.random() * 1248
    y[i] = love.math.random() * 688
    vx[i] = love.math.random() * 8 - 4
    vy[i] = love.math.random() * 8 - 4
  end
  local line = ""
  for c = 0, 49 do
    line = line .. string.char(65 + c % 26)
  end
  local lines = {}
  for l = 1, 10 do
    lines[l] = line
  end
  block = table.concat(lines, "\n")
end

function love.update()
  for i = 1, sprites do
    local nx, ny = x[i] + vx[i], y[i] + vy[i]
    if nx < 0 or nx > 1248 then
      vx[i] = -vx[i]
      nx = x[i]
    end
    if ny < 0 or ny > 688 then
      vy[i] = -vy[i]
      ny = y[i]
    end
    x[i], y[i] = nx, ny
  end
end

function love.draw()
  batch:clear()
  for i = 1, sprites do
    batch:add(quads[(i - 1) % 4], x[i], y[i])
  end
  love.graphics.draw(batch)
  for t = 0, 3 do
    love.graphics.printf(block, 20 + (t % 2) * 640, 60 + math.floor(t / 2) * 340, 600, "left", 0, 0.5, 0.5)
  end
  frame = frame + 1
  if frame >= frames then
    love.event.quit()
  end
end
