// The mask only contributes alpha.
uniform sampler2D BASEMAP;
uniform sampler2D BASEMAP1;
uniform float ALPHA_FACTOR;
varying vec2 uv;
varying vec2 maskUV;

void main()
{
    vec4 colour = texture2D(BASEMAP, uv);
    gl_FragColor = vec4(colour.rgb, colour.a * texture2D(BASEMAP1, maskUV).a * ALPHA_FACTOR);
}
