uniform sampler2D BASEMAP;
uniform float ALPHA_FACTOR;
varying vec2 uv;

void main()
{
    vec4 colour = texture2D(BASEMAP, uv);
    gl_FragColor = vec4(colour.rgb, colour.a * ALPHA_FACTOR);
}
