// Masked sprites: positions already in clip space; the sprite's and the mask's coordinates.
attribute vec3 DT_POSITION;
attribute vec2 DT_TEX0;
attribute vec2 DT_TEX1;
uniform mat4 PROJTM;
varying vec2 uv;
varying vec2 maskUV;

void main()
{
    uv = DT_TEX0;
    maskUV = DT_TEX1;
    gl_Position = PROJTM * vec4(DT_POSITION, 1.0);
}
